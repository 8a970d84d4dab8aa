// Every save against the real disk running out: a file size limit on this
// process (RLIMIT_FSIZE, SIGXFSZ ignored) and a full tmpfs where one can be
// mounted. Each file stays whole and as it was, the user is told why, and
// once there is room again a retry writes everything, another program's
// entry included.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <csignal>

#include "AppFixture.h"
#include "accounts/FormPassphrase.h"
#include "accounts/VaultCommands.h"
#include "core/PasswordEntry.h"
#include "core/UserStore.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/ImportPreview.h"

using testing_support::AppFixture;

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <sys/resource.h>

namespace {

enum Save {
    Add,
    Close,
    CatNew,
    CatRename,
    CatDelete,
    Load,
    Restore,
    Clear,
    Import,
    Encrypt,
    Decrypt,
    ChangePassword,
    CreateKeyFile
};
enum class Medium { SizeLimit, FullDisk };

const QString kPhrase = QStringLiteral("passphrase12");  // fits both formats' rules

const char* const kSaveNames[] = {
    "Add",   "Close",  "CatNew",  "CatRename", "CatDelete",      "Load",         "Restore",
    "Clear", "Import", "Encrypt", "Decrypt",   "ChangePassword", "CreateKeyFile"};

}  // namespace

class RealDisk : public AppFixture, public ::testing::WithParamInterface<std::tuple<Save, Medium>> {
protected:
    testing_support::CheapKeyDerivation cheap;
    Save save() const { return std::get<0>(GetParam()); }
    bool fullDisk() const { return std::get<1>(GetParam()) == Medium::FullDisk; }

    void SetUp() override {
        AppFixture::SetUp();
        if (fullDisk()) {
            dir.mkdir(QStringLiteral("users"));
            mounted_ = ::mount("tmpfs", QFile::encodeName(dir.path("users")).constData(), "tmpfs",
                               0, "size=1m,mode=0755") == 0;
            if (!mounted_) {
                GTEST_SKIP() << "no tmpfs can be mounted here (root needed): full disk not tried";
            }
        }
    }
    void TearDown() override {
        heal();
        AppFixture::TearDown();
        if (mounted_) {
            ::umount(QFile::encodeName(dir.path("users")).constData());
        }
    }
    // The disk runs out: no byte more fits.
    void fail() {
        if (fullDisk()) {
            QFile filler(dir.path("users/filler"));
            ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'x');
            while (filler.write(block) > 0) {
            }
            return;
        }
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        saved_ = limit;
        limit.rlim_cur = 0;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    void heal() {
        QFile::remove(dir.path("users/filler"));
        if (saved_) {
            ::setrlimit(RLIMIT_FSIZE, &*saved_);
            saved_.reset();
        }
    }
    QMap<QString, QByteArray> userFiles() const {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(dir.path("users/bob")).entryList(QDir::Files)) {
            files[name] = dir.read(QStringLiteral("users/bob/") + name);
        }
        files[QStringLiteral("key")] = dir.read(QStringLiteral("users/key.vrx"));
        return files;
    }
    core::UserPaths paths() const { return core::UserPaths::of(dir.path(), QStringLiteral("bob")); }
    // What another program logged in as bob left in the vault.
    core::LineList storedTitles(const QByteArray& password) {
        auto login = core::UserLogin::check(paths(), password, core::FileTexts());
        if (!login) {
            ADD_FAILURE() << "the password no longer opens the files";
            return {};
        }
        if (login->keyFileDue()) {
            EXPECT_TRUE(login->keyFileFits(dir.path("users/key.vrx")));
        }
        auto store = login->open();
        core::LineList titles;
        for (const QByteArray& line : store->loadVault()) {
            titles << core::Scramble(line).split('|').first();
        }
        std::sort(titles.begin(), titles.end());
        return titles;
    }
    void addElsewhere(const QByteArray& password) {
        auto store = core::UserLogin::check(paths(), password, core::FileTexts())->open();
        store->readCategories();
        store->saveVault(store->loadVault() << core::Scramble("Elsewhere|x|p|Work|||||"));
    }
    // Runs the command; inAdd runs inside the Add dialog after its failed OK.
    void run(const std::function<void()>& inAdd = {}) {
        switch (save()) {
            case Add:
                ui.answerModal([&](QDialog* d) {
                    auto* add = static_cast<TFormAdd*>(d);
                    add->EditName->setText(QStringLiteral("New"));
                    add->EditLogin->setText(QStringLiteral("me"));
                    click(add->ButtonOk);
                    ASSERT_TRUE(add->isVisible());  // what was typed stays
                    inAdd();
                    click(add->ButtonOk);
                });
                form->ui.AAdd->trigger();
                break;
            case Import:
                ui.answerOpenFile(dir.path("in.csv"));
                ui.answerModal([](QDialog* d) { click(static_cast<TFormImport*>(d)->ButtonOk); });
                form->ui.MImport->trigger();
                break;
            case Encrypt:
                encryptVault(kPhrase);
                break;
            case Decrypt:
                ui.answerInput(kPhrase);
                ui.answerQuestion(true);
                form->ui.VaultCommands->MDecryptVault->trigger();
                break;
            case ChangePassword:
                ui.answerInput(QStringLiteral("newpass"));
                form->ui.MChangePass->trigger();
                break;
            case CreateKeyFile:
                ui.answerSaveFile(dir.path("users/key.vrx"));
                form->ui.MCreateKeyFile->trigger();
                break;
            default:
                break;
        }
    }

private:
    bool mounted_ = false;
    std::optional<rlimit> saved_;
};

TEST_P(RealDisk, NothingIsLostAndTheRetryWritesBothSides) {
    openUser({"Old|a|p|Work|||||"}, {"Work"});
    QByteArray password = "pass";
    if (save() == Decrypt) {
        encryptVault(kPhrase);
        password = kPhrase.toUtf8();
        ui.clearShown();
    }
    addElsewhere(password);
    dir.write(QStringLiteral("in.csv"),
              "url,username,password,totp,extra,name,grouping,fav\n"
              "https://x.example,me,pw,,,Imported,Work,0\n");
    dir.write(QStringLiteral("list.dat"),
              testing_support::crlf({core::Scramble("Loaded|a|p|Work|||||")}));
    switch (save()) {  // the commands that change memory only; the close saves them
        case CatNew:
            ui.answerInput(QStringLiteral("Fresh"));
            form->ui.MCatNew->trigger();
            break;
        case CatRename:
            clickNode(1);
            ui.answerInput(QStringLiteral("Job"));
            form->ui.MCatRename->trigger();
            break;
        case CatDelete:
            clickNode(1);
            form->ui.MCatDelete->trigger();
            break;
        case Load:
            ui.answerOpenFile(dir.path("list.dat"));
            form->ui.ALoad->trigger();
            break;
        case Restore:
            form->ui.MRestore->trigger();
            break;
        case Clear:
            form->ui.AClear->trigger();
            break;
        default:
            break;
    }
    const QMap<QString, QByteArray> before = userFiles();
    fail();
    const QString why = fullDisk() ? QStringLiteral(": the disk is full.")
                                   : QStringLiteral(": it would be larger than the system allows.");
    const auto unchanged = [&] {
        EXPECT_EQ(userFiles(), before);
        ASSERT_FALSE(ui.errors().isEmpty());
        EXPECT_TRUE(ui.errors().first().endsWith(why)) << ui.errors().first().toStdString();
        if (save() == Add || save() == Import) {
            EXPECT_EQ(form->ui.StatusPanels[2]->text(), form->texts.Files.unsaved);
        }
    };
    run([&] {
        unchanged();
        heal();
    });
    if (save() != Add) {
        if (save() >= Import) {
            unchanged();
            heal();
            run();  // the same command again, with room on the disk
        }
        if (save() < Import) {
            EXPECT_FALSE(closeMain());
            unchanged();
            heal();
        }
    }
    ASSERT_TRUE(closeMain()) << ui.errors().join('\n').toStdString();
    EXPECT_FALSE(form->session().unsaved());
    const QByteArray opens = save() == Encrypt || save() == Decrypt ? kPhrase.toUtf8()
                             : save() == ChangePassword             ? QByteArray("newpass")
                                                                    : QByteArray("pass");
    core::LineList expected = {"Elsewhere"};
    if (save() != Load && save() != Clear) {
        expected << "Old";
    }
    if (save() == Add || save() == Import || save() == Load) {
        expected << (save() == Add ? "New" : save() == Import ? "Imported" : "Loaded");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(storedTitles(opens), expected);
    const QByteArray categories = dir.read(QStringLiteral("users/bob/categories.dat"));
    if (save() == CatNew || save() == CatRename) {
        EXPECT_TRUE(categories.contains(save() == CatNew ? "Fresh" : "Job"));
    }
}

std::string realDiskCaseName(const ::testing::TestParamInfo<std::tuple<Save, Medium>>& p) {
    return std::string(kSaveNames[std::get<0>(p.param)]) +
           (std::get<1>(p.param) == Medium::FullDisk ? "FullDisk" : "SizeLimit");
}

INSTANTIATE_TEST_SUITE_P(EverySave, RealDisk,
                         ::testing::Combine(::testing::Values(Add, Close, CatNew, CatRename,
                                                              CatDelete, Load, Restore, Clear,
                                                              Import, Encrypt, Decrypt,
                                                              ChangePassword, CreateKeyFile),
                                            ::testing::Values(Medium::SizeLimit, Medium::FullDisk)),
                         realDiskCaseName);

#endif

#ifdef Q_OS_UNIX
// Another process rewrites the vault in place, slowly, as a program on
// another computer does over a network share: cut inside a line for a
// moment, line by line (two reads apart differ), and cut for longer than a
// save waits. Each time an entry is added here meanwhile. Nothing is lost:
// the add is written once the file is whole, or, when that takes too long,
// kept and written when the file next changes.
class SlowWriter : public AppFixture {
protected:
    // Starts writing content over the vault: cut bytes, a pause, then the
    // rest a line at a time with step seconds between lines.
    void startWriting(const QByteArray& content, qsizetype cut, double pause, double step) {
        dir.write(QStringLiteral("next.dat"), content);
        writer_.start(
            QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import sys,time\n"
                            "data=open(sys.argv[2],'rb').read(); cut=int(sys.argv[3])\n"
                            "f=open(sys.argv[1],'wb'); f.write(data[:cut]); f.flush()\n"
                            "print('cut', flush=True)\n"
                            "time.sleep(float(sys.argv[4]))\n"
                            "for line in data[cut:].splitlines(True):\n"
                            "    f.write(line); f.flush(); time.sleep(float(sys.argv[5]))\n"),
             dir.path("users/bob/passwords.dat"), dir.path("next.dat"), QString::number(cut),
             QString::number(pause), QString::number(step)});
        ASSERT_TRUE(writer_.waitForReadyRead(10000));  // the cut is on disk
    }
    void finishWriting() { ASSERT_TRUE(writer_.waitForFinished(10000)); }
    void add(const QString& title) {
        ui.answerModal([&](QDialog* d) {
            auto* add = static_cast<TFormAdd*>(d);
            add->EditName->setText(title);
            add->EditLogin->setText(QStringLiteral("me"));
            click(add->ButtonOk);
        });
        form->ui.AAdd->trigger();
    }
    QProcess writer_;
};

TEST_F(SlowWriter, NothingIsLostAndTheAddIsWrittenOnceTheFileIsWhole) {
    QList<QByteArray> entries;
    for (int i = 0; i < 60; ++i) {
        entries << "Entry" + QByteArray::number(i) + "|login|pw|Work|https://example.com|||||";
    }
    openUser(entries, {"Work"});
    QByteArray disk = dir.read(QStringLiteral("users/bob/passwords.dat"));
    // Cut inside a line; each line at once, each a step apart; longer than a save waits.
    const struct {
        qsizetype cut;
        double pause;
        double step;
    } rounds[] = {{150, 0.7, 0}, {disk.size() - 2 * 50, 0, 0.15}, {150, 2.6, 0}};
    for (int r = 0; r < 3; ++r) {
        const QByteArray title = "Elsewhere" + QByteArray::number(r);
        disk += core::Scramble(title + "|x|p|Work|||||") + "\r\n";
        const qsizetype cut =
            r == 1 ? disk.lastIndexOf("\r\n", disk.size() - 3) + 2 : rounds[r].cut;
        startWriting(disk, cut, rounds[r].pause, rounds[r].step);
        add(QStringLiteral("Here") + QString::number(r));
        finishWriting();
        if (r == 2) {
            // Put off, kept in the list: written when the watch sees the file whole.
            EXPECT_EQ(form->ui.StatusPanels[2]->text(), form->texts.Files.unsaved);
            form->session().watch().changed();
            form->session().watch().settle();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !form->session().unsaved(); }));
        }
        disk = dir.read(QStringLiteral("users/bob/passwords.dat"));
    }
    EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join('\n').toStdString();
    const QList<QByteArray> stored = vaultPlain(QStringLiteral("bob"));
    EXPECT_EQ(stored.size(), 66);
    for (const char* title :
         {"Entry0|", "Entry59|", "Elsewhere0|", "Elsewhere2|", "Here0|", "Here1|", "Here2|"}) {
        EXPECT_EQ(std::count_if(stored.begin(), stored.end(),
                                [&](const QByteArray& l) { return l.startsWith(title); }),
                  1)
            << title;
    }
}
#endif
