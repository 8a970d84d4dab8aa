// Saves one file over and over, alternating its two contents, until it is
// killed: the child process of the crash test.
//
//   crash_writer vault|categories|settings PATH
//   crash_writer convert PROGRAM-DIR WRITES
//   crash_writer keyfile PROGRAM-DIR WRITES NEW-KEY-PATH
//   crash_writer merge PROGRAM-DIR WRITES
//
// The file must already hold the first content; the loop starts with the
// second. "ready" on standard output means the loop is about to begin.
// "convert" converts the user of the program directory to the other format
// and kills itself when about to make write number WRITES + 1; "keyfile"
// replaces the encrypted user's key file the same way; "merge" saves an
// entry of its own after another program added one, so the save merges.
#include <QString>
#include <cstdio>
#include <exception>

#include "CrashContents.h"
#include "CrashConversion.h"
#include "core/UserStore.h"

namespace {

std::unique_ptr<core::UserStore> openStore(const core::UserPaths& p) {
    auto login = core::UserLogin::check(p, crash_conversion::kPassword, core::FileTexts());
    if (!login) {
        throw std::runtime_error("wrong password");
    }
    auto store = login->open();
    store->readCategories();
    return store;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && QByteArray(argv[1]) == "convert") {
        crash_conversion::prepare();
        crash_conversion::KillingFileSystem fs(QByteArray(argv[3]).toInt());
        platform::setFileSystem(&fs);
        try {
            crash_conversion::convert(crash_conversion::paths(QString::fromLocal8Bit(argv[2])));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "conversion failed: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc == 5 && QByteArray(argv[1]) == "keyfile") {
        crash_conversion::prepare();
        crash_conversion::KillingFileSystem fs(QByteArray(argv[3]).toInt());
        platform::setFileSystem(&fs);
        try {
            crash_conversion::replaceKeyFile(QString::fromLocal8Bit(argv[2]),
                                             QString::fromLocal8Bit(argv[4]));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "key file failed: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc == 4 && QByteArray(argv[1]) == "merge") {
        crash_conversion::prepare();
        const core::UserPaths p = crash_conversion::paths(QString::fromLocal8Bit(argv[2]));
        try {
            auto ours = openStore(p);
            core::LineList lines = ours->loadVault();
            auto theirs = openStore(p);
            theirs->saveVault(theirs->loadVault() << core::Scramble(crash_conversion::kTheirs));
            crash_conversion::KillingFileSystem fs(QByteArray(argv[3]).toInt());
            platform::setFileSystem(&fs);
            ours->saveVault(lines << core::Scramble(crash_conversion::kOurs));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "merge failed: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: crash_writer vault|categories|settings PATH\n");
        return 2;
    }
    const std::optional<crash_contents::Kind> kind =
        crash_contents::kindNamed(QString::fromLocal8Bit(argv[1]));
    if (!kind) {
        std::fprintf(stderr, "unknown file kind: %s\n", argv[1]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[2]);
    // Built once, so the time in the loop is spent writing.
    const core::LineList lines[2] = {crash_contents::vaultLines(0), crash_contents::vaultLines(1)};
    auto save = [&](int variant) {
        if (*kind == crash_contents::Kind::Vault) {
            platform::saveTextList(path, lines[variant]);
        } else {
            crash_contents::save(*kind, path, variant);
        }
    };
    try {
        // One round before "ready": the first save's start-up costs stay out
        // of the kill window, and the file holds the first content again.
        save(1);
        save(0);
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        for (unsigned round = 1;; ++round) {
            save(int(round % 2));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "save failed: %s\n", e.what());
        return 1;
    }
}
