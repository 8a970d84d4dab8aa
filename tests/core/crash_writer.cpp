// Saves one file over and over, alternating its two contents, until it is
// killed: the child process of the crash test.
//
//   crash_writer vault|categories|settings PATH
//
// The file must already hold the first content; the loop starts with the
// second. "ready" on standard output means the loop is about to begin.
#include <QString>
#include <cstdio>
#include <exception>

#include "CrashContents.h"

int main(int argc, char** argv) {
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
