// Times the program's own operations on large vaults, through the real main
// window on the offscreen platform, against the floor of reading and decoding
// the vault. Every run also checks that the operation gave the right result.
//
//   vorrel_bench [--sizes 1000,10000,100000] [--runs 5] [--encrypted 1]
//
// --encrypted 0 leaves out the encrypted rows, whose key derivation alone
// takes 256 MiB: the peak memory is then the compatible format's.
//
// "login to first paint" runs in a fresh process of its own (--open), as a
// person's login does: its peak memory is the program's, not the harness's.
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScriptedUi.h"
#include "accounts/FormLogin.h"
#include "app/Form1.h"
#include "core/EncryptedVault.h"
#include "core/PasswordEntry.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"
#include "mainwindow/TitleOrder.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Memory.h"
#include "platform/SysUtils.h"
#include "platform/TextList.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("wrong result: ") + what);
    }
}

// A vault as people have them: titles of 5 to 40 characters, about 15 % of
// them repeated, comments up to 200, 50 categories, some accented letters.
struct Vault {
    QList<QByteArray> lines;  // plain
    QList<QByteArray> categories;
};

Vault makeVault(int n) {
    std::mt19937 random(20261208);
    auto pick = [&](int lo, int hi) { return lo + int(random() % unsigned(hi - lo + 1)); };
    // Accented letters of windows-1252 that the line format carries.
    const char accented[] = "\xe9\xe8\xfc\xf6\xe4\xf1\xe7\xe0";
    auto word = [&](int length) {
        QByteArray w;
        for (int i = 0; i < length; ++i) {
            if (pick(0, 40) == 0) {
                w.append(accented[pick(0, 7)]);
            } else if (pick(0, 9) == 0) {
                w.append(' ');
            } else {
                w.append(char((pick(0, 3) == 0 ? 'A' : 'a') + pick(0, 25)));
            }
        }
        return w;
    };
    Vault v;
    for (int c = 0; c < 50; ++c) {
        v.categories << "Group " + word(pick(3, 12)) + ' ' + QByteArray::number(c);
    }
    QList<QByteArray> titles;
    for (int i = 0; i < n; ++i) {
        QByteArray title = (!titles.isEmpty() && pick(0, 99) < 15)
                               ? titles[pick(0, int(titles.size()) - 1)]
                               : word(pick(5, 40));
        titles << title;
        const QByteArray fields[] = {
            title,
            "user" + QByteArray::number(i) + "@example.org",
            word(pick(8, 16)),
            v.categories[pick(0, 49)],
            "https://site" + QByteArray::number(pick(0, 5000)) + ".example.org/",
            word(pick(0, 200)),
            QByteArray::number(pick(0, 9999)),
            pick(0, 3) == 0 ? QByteArray::number(4000000000000000LL + i) : QByteArray(),
            pick(0, 5) == 0 ? word(20) : QByteArray()};
        QByteArray line;
        for (int f = 0; f < 9; ++f) {
            line += (f ? "|" : "") + fields[f];
        }
        v.lines << line;
    }
    return v;
}

// The same entries as a KeePassXC export with new passwords, so none is a
// duplicate: every row is previewed and imported.
QByteArray importCsv(const Vault& v) {
    auto quoted = [](const QByteArray& field) {
        return '"' + QString::fromLatin1(field).toUtf8().replace("\"", "\"\"") + '"';
    };
    QByteArray csv =
        "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\","
        "\"Icon\",\"Last Modified\",\"Created\"\r\n";
    for (const QByteArray& line : v.lines) {
        const core::PasswordEntry e = core::SplitRecord(line);
        csv += quoted("Root/" + e[core::Category]) + ',' + quoted(e[core::Title]) + ',' +
               quoted(e[core::Login]) + ',' + quoted(e[core::Password] + "-new") + ',' +
               quoted(e[core::Link]) + ',' + quoted(e[core::Comments]) +
               ",\"\",\"0\",\"\",\"\"\r\n";
    }
    return csv;
}

struct Result {
    std::vector<double> ms;
    double median() const {
        std::vector<double> s = ms;
        std::sort(s.begin(), s.end());
        return s.empty() ? 0 : s[s.size() / 2];
    }
};

double timed(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

void type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QTest::keyClick(w, char(c.unicode()));
    }
}

// One program directory with one user holding the vault.
class Session {
public:
    Session(const Vault& vault, testing_support::ScriptedUi& ui) : ui_(ui) {
        if (!dir_.isValid()) {
            throw std::runtime_error("no temporary directory");
        }
        QDir(dir_.path()).mkpath(QStringLiteral("users/bench"));
        QDir(dir_.path()).mkpath(QStringLiteral("language"));
        const QString user = dir_.path() + QStringLiteral("/users/bench/");
        QList<QByteArray> stored;
        stored.reserve(vault.lines.size());
        for (const QByteArray& l : vault.lines) {
            stored << core::Scramble(l);
        }
        vaultFile = platform::joinTextLines(stored);
        platform::writeFile(user + QStringLiteral("passwords.dat"), vaultFile);
        platform::saveTextList(user + QStringLiteral("categories.dat"), vault.categories);
        platform::saveTextList(user + QStringLiteral("bench.dat"), {core::Scramble("benchpw")});
        QFile::copy(QStringLiteral(VORREL_LANGUAGE_DIR "/English.ini"),
                    dir_.path() + QStringLiteral("/language/English.ini"));
        oldCwd_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    ~Session() {
        form.reset();
        QDir::setCurrent(oldCwd_);
    }
    QString path(const QString& relative) const {
        return dir_.path() + QLatin1Char('/') + relative;
    }

    // Creates the main window and times the login: password check, vault,
    // backup, categories and the filled list.
    double login() {
        form.reset();
        form = std::make_unique<TForm1>(path(QStringLiteral("vorrel")));
        // Changes on disk are taken where a row times them.
        form->session().watch().setSettleMs(24 * 3600 * 1000);
        double ms = 0;
        ui_.answerModal([&](QDialog* d) {
            auto* l = static_cast<TFormLogin*>(d);
            l->ComboBoxLogin->setEditText(QStringLiteral("bench"));
            l->EditPassword->setText(QStringLiteral("benchpw"));
            ms = timed([&] { l->ButtonLogin->click(); });
        });
        form->FormCreate();
        check(form->loggedIn(), "logged in");
        form->show();
        form->activateWindow();
        check(QTest::qWaitForWindowActive(form.get()), "window active");
        // The backup is written once the window has painted, before anyone can act.
        check(QTest::qWaitFor([&] { return !form->session().backupDue(); }), "backup written");
        return ms;
    }

    std::unique_ptr<TForm1> form;
    QByteArray vaultFile;  // the stored vault, to start every run from it

private:
    testing_support::ScriptedUi& ui_;
    QTemporaryDir dir_;
    QString oldCwd_;
};

long peakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The peak of this process image: getrusage would count the memory of the
// benchmark that forked it as well.
long peakOfThisImageKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:")) {
                return line.mid(6).trimmed().split(' ').value(0).toLong();
            }
        }
    }
    return peakResidentKb();
}

// Notes the first paint of each watched widget.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::vector<QWidget*> widgets) : widgets_(std::move(widgets)) {
        for (QWidget* w : widgets_) {
            w->installEventFilter(this);
        }
    }
    bool allPainted() const { return painted_.size() == widgets_.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted_.insert(watched);
        }
        return false;
    }

private:
    std::vector<QWidget*> widgets_;
    std::set<QObject*> painted_;
};

// The bytes of distinct buffers the lines hold, and the list itself.
qint64 heldBytes(const QList<QByteArray>& lines) {
    std::set<const void*> buffers;
    qint64 bytes = qint64(lines.capacity()) * qint64(sizeof(QByteArray));
    for (const QByteArray& line : lines) {
        // Qt 6.4 offers these only without const; nothing is changed.
        QArrayData* d = const_cast<QByteArray&>(line).data_ptr().d_ptr();
        if (d && buffers.insert(d).second) {
            bytes += qint64(sizeof(QArrayData)) + d->allocatedCapacity();
        }
    }
    return bytes;
}

// One login in this fresh process, from the login button to the first paint
// of the list and the status bar, then whatever the login still writes.
// Prints: ms, peak kB, lines, rows and order bytes.
int openOnce(const QString& dir, int entries) {
    platform::setStorageCodePage("windows-1252");
    testing_support::ScriptedUi ui;
    QDir::setCurrent(dir);
    TForm1 form(dir + QStringLiteral("/vorrel"));
    PaintWatch watch({form.ui.ListView1->viewport(), form.ui.StatusBar1});
    QElapsedTimer clock;
    ui.answerModal([&](QDialog* d) {
        auto* l = static_cast<TFormLogin*>(d);
        l->ComboBoxLogin->setEditText(QStringLiteral("bench"));
        l->EditPassword->setText(QStringLiteral("benchpw"));
        clock.start();
        l->ButtonLogin->click();
    });
    form.FormCreate();
    check(form.loggedIn(), "logged in");
    while (!watch.allPainted() && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    check(watch.allPainted(), "painted");
    check(form.ui.ListModel->rowCount() == entries, "rows shown");
    check(form.ui.StatusPanels[0]->text().endsWith(QString::number(entries)), "count shown");
    // The login's backup write follows the paint: it counts toward the peak.
    check(QTest::qWaitFor([&] { return !form.session().backupDue(); }), "backup due");
    check(QFile(dir + QStringLiteral("/users/bench/passwords.dat.bak")).size() ==
              QFile(dir + QStringLiteral("/users/bench/passwords.dat")).size(),
          "backup written");
    std::printf("open %.3f %ld %lld %lld %lld\n", ms, peakOfThisImageKb(),
                (long long)heldBytes(form.session().entries()),
                (long long)form.ui.ListModel->rowBytes(),
                (long long)(form.ui.ListModel->orderBytes() + form.titleOrder().heldBytes()));
    if (!ui.unexpected.isEmpty()) {
        throw std::runtime_error(ui.unexpected.join(QStringLiteral("; ")).toStdString());
    }
    return 0;
}

struct Opened {
    double ms = 0;
    long peakKb = 0;
    qint64 lines = 0;
    qint64 rows = 0;
    qint64 order = 0;
};

Opened openInFreshProcess(const QString& dir, int entries) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--open"), dir, QStringLiteral("--entries"), QString::number(entries)});
    check(child.waitForFinished(120000) && child.exitCode() == 0, "open in a fresh process");
    const QList<QByteArray> out = child.readAllStandardOutput().trimmed().split(' ');
    check(out.size() == 6 && out[0] == "open", "open output");
    return {out[1].toDouble(), out[2].toLong(), out[3].toLongLong(), out[4].toLongLong(),
            out[5].toLongLong()};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    platform::returnLargeBuffersToTheSystem();
    platform::fillFreedMemory();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    std::vector<int> sizes{1000, 10000, 100000};
    int runs = 5;
    bool encrypted = true;
    QString openDir;
    int openEntries = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--sizes") {
            sizes.clear();
            for (const QByteArray& s : QByteArray(argv[i + 1]).split(',')) {
                sizes.push_back(s.toInt());
            }
        } else if (option == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--encrypted") {
            encrypted = std::atoi(argv[i + 1]) != 0;
        } else if (option == "--open") {
            openDir = QString::fromLocal8Bit(argv[i + 1]);
        } else if (option == "--entries") {
            openEntries = std::atoi(argv[i + 1]);
        }
    }
    if (!openDir.isEmpty()) {
        try {
            return openOnce(openDir, openEntries);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "open failed: %s\n", e.what());
            return 1;
        }
    }
    platform::setStorageCodePage("windows-1252");
    testing_support::ScriptedUi ui;

    const char* operations[] = {"floor: read + decode",
                                "login to first paint",
                                "login to list shown",
                                "category click",
                                "search keystroke",
                                "column sort",
                                "hide passwords",
                                "show passwords",
                                "add with save",
                                "delete 100 selected",
                                "merge 100 changes each side",
                                "export text (hidden)",
                                "export HTML (hidden)",
                                "close",
                                "import CSV + preview",
                                "encrypted: first paint",
                                "encrypted: login",
                                "encrypted: add+save",
                                "encrypted: delete 100",
                                "encrypted: unlock",
                                "encrypted: close"};
    std::map<std::string, std::map<int, Result>> results;
    std::map<int, std::vector<Opened>> opened;
    try {
        for (int n : sizes) {
            // Only the stored file is kept: the harness's own copies would count
            // toward the peak memory.
            std::unique_ptr<Session> made;
            {
                const Vault vault = makeVault(n);
                made = std::make_unique<Session>(vault, ui);
                QDir().mkpath(made->path(QStringLiteral("data")));
                platform::writeFile(made->path(QStringLiteral("data/import.csv")),
                                    importCsv(vault));
            }
            Session& session = *made;
            // The add dialog fills in one entry and presses OK.
            auto answerAddDialog = [&] {
                ui.answerModal([](QDialog* d) {
                    auto* add = static_cast<TFormAdd*>(d);
                    add->EditName->setText(QStringLiteral("Benchmark entry"));
                    add->EditLogin->setText(QStringLiteral("bench@example.org"));
                    add->ComboBoxCat->setCurrentIndex(3);
                    add->ButtonOk->click();
                });
            };
            // 100 rows spread over the whole list.
            auto select100 = [](TForm1& f, int rows) {
                QItemSelection selection;
                for (int r = 0; r < 100; ++r) {
                    const int row = int((qint64(r) * (rows - 1)) / 99);
                    selection.select(f.ui.ListModel->index(row, 0), f.ui.ListModel->index(row, 8));
                }
                f.ui.ListView1->selectionModel()->select(selection,
                                                         QItemSelectionModel::ClearAndSelect);
            };
            for (int run = 0; run < runs; ++run) {
                auto record = [&](const char* op, double ms) { results[op][n].ms.push_back(ms); };

                // The floor: the vault read, every line unscrambled and split.
                record("floor: read + decode", timed([&] {
                           const platform::TextLines lines = platform::loadTextList(
                               session.path(QStringLiteral("users/bench/passwords.dat")));
                           qsizetype total = 0;
                           for (const QByteArray& line : lines) {
                               const QByteArray plain = core::Scramble(line);
                               total += core::splitSpans(plain.constData(), plain.size()).length[0];
                           }
                           check(lines.size() == n && total > 0, "floor lines");
                       }));

                const Opened o = openInFreshProcess(session.path(QString()), n);
                opened[n].push_back(o);
                record("login to first paint", o.ms);

                record("login to list shown", session.login());
                TForm1& f = *session.form;
                check(f.ui.ListModel->rowCount() == n, "rows after login");

                record("category click", timed([&] {
                           f.SelectNode(7);
                           f.TreeViewCatClick();
                       }));
                check(f.ui.ListModel->rowCount() > 0 && f.ui.ListModel->rowCount() < n,
                      "category rows");
                f.SelectNode(0);
                f.TreeViewCatClick();

                f.ui.EditSearch->setFocus();
                f.ui.EditSearch->clear();
                const QString first = f.ui.ListModel->cellText(n / 2, 0).left(1);
                record("search keystroke", timed([&] { type(f.ui.EditSearch, first); }));
                check(f.SelectedRows().size() == 1, "search selects one row");

                record("column sort", timed([&] { f.ListView1ColumnClick(1); }));
                check(platform::CompareText(f.ui.ListModel->row(0).field(1),
                                            f.ui.ListModel->row(n - 1).field(1)) <= 0,
                      "sorted by login");

                record("hide passwords", timed([&] { f.MHidePasswordsClick(); }));
                check(f.ui.ListModel->cellText(0, 2) == QStringLiteral("**********"), "hidden");
                record("show passwords", timed([&] { f.MHidePasswordsClick(); }));
                check(f.ui.ListModel->rowCount() == n &&
                          f.ui.ListModel->cellText(0, 2) != QStringLiteral("**********"),
                      "shown");

                answerAddDialog();
                record("add with save", timed([&] { f.ui.AAdd->trigger(); }));
                check(f.session().entries().size() == n + 1, "added");
                f.SelectNode(0);
                f.TreeViewCatClick();

                select100(f, n);
                ui.answerQuestion(true);
                record("delete 100 selected", timed([&] { f.ui.ADelete->trigger(); }));
                check(f.session().entries().size() <= n + 1 - 95 &&
                          f.session().entries().size() >= n + 1 - 100,
                      "deleted");

                // Another program deleted 100 entries and added 100 while this
                // one deleted its 100 unsaved: the watch takes the file in.
                {
                    const QString vault = session.path(QStringLiteral("users/bench/passwords.dat"));
                    platform::TextLines theirs = platform::loadTextList(vault);
                    const qsizetype step = theirs.size() / 100;
                    for (qsizetype i = 99; i >= 0; --i) {
                        theirs.removeAt(i * step);
                    }
                    for (int i = 0; i < 100; ++i) {
                        theirs.append(
                            core::Scramble("Elsewhere " + QByteArray::number(i) + "|me|pw||||||"));
                    }
                    platform::saveTextList(vault + QStringLiteral(".sync"), theirs);
                    check(QFile::remove(vault) &&
                              QFile::rename(vault + QStringLiteral(".sync"), vault),
                          "replaced by rename");
                }
                const qsizetype ours = f.session().entries().size();
                // Two looks: the file is taken once two reads 200 ms apart
                // agree. The time between them is idle, not counted.
                const double firstLook = timed([&] {
                    f.session().watch().changed();
                    f.session().watch().settle();
                });
                QThread::msleep(250);
                record("merge 100 changes each side",
                       firstLook + timed([&] { f.session().watch().settle(); }));
                check(
                    f.session().entries().size() <= ours + 100 &&
                        f.session().entries().size() >= ours &&
                        f.session().entries().contains(core::Scramble("Elsewhere 0|me|pw||||||")) &&
                        f.ui.ListModel->rowCount() == f.session().entries().size(),
                    "merged");

                f.MHidePasswordsClick();
                for (int format = 1; format <= 2; ++format) {
                    const QString out = session.path(format == 1 ? QStringLiteral("data/x.txt")
                                                                 : QStringLiteral("data/x.htm"));
                    QDir().mkpath(session.path(QStringLiteral("data")));
                    ui.answerModal(
                        [](QDialog* d) { static_cast<TFormExport*>(d)->ButtonOk->click(); });
                    ui.answerSaveFile(out, format);
                    record(format == 1 ? "export text (hidden)" : "export HTML (hidden)",
                           timed([&] { f.ui.MExport->trigger(); }));
                    const platform::TextLines lines = platform::loadTextList(out);
                    check(lines.size() == f.ui.ListModel->rowCount() + (format == 1 ? 1 : 12),
                          "export lines");
                    check(!lines[1].contains("**********"), "export has real passwords");
                }
                f.MHidePasswordsClick();

                record("close", timed([&] { check(f.close(), "closed"); }));
                check(platform::loadTextList(
                          session.path(QStringLiteral("users/bench/passwords.dat")))
                              .size() == f.session().entries().size(),
                      "vault written at close");
                // Import of n rows into the vault of n: the file read, every row
                // previewed, the preview shown, the entries added and saved.
                session.login();
                const qsizetype before = session.form->session().entries().size();
                ui.answerOpenFile(session.path(QStringLiteral("data/import.csv")));
                ui.answerModal([](QDialog* d) {
                    d->findChild<QPushButton*>(QStringLiteral("ButtonOk"))->click();
                });
                record("import CSV + preview", timed([&] { session.form->ui.MImport->trigger(); }));
                check(session.form->session().entries().size() == before + n, "imported");
                check(session.form->close(), "closed after import");
                if (!ui.unexpected.isEmpty()) {
                    throw std::runtime_error(
                        ui.unexpected.join(QStringLiteral("; ")).toStdString());
                }
                ui.clearShown();
                // The next run starts from the same vault.
                platform::writeFile(session.path(QStringLiteral("users/bench/passwords.dat")),
                                    session.vaultFile);
            }

            if (!encrypted) {
                continue;
            }
            // The same vault encrypted, with the program's own key derivation cost.
            core::encryptUserFiles(
                core::UserPaths::of(session.path(QString()), QStringLiteral("bench")), "benchpw",
                std::nullopt);
            const QString vaultPath = session.path(QStringLiteral("users/bench/passwords.dat"));
            const QByteArray encryptedVault = platform::readFile(vaultPath);
            // It records the vault's generation: put back with the vault.
            const QString passwordFilePath = session.path(QStringLiteral("users/bench/bench.dat"));
            const QByteArray passwordFile = platform::readFile(passwordFilePath);
            for (int run = 0; run < runs; ++run) {
                auto record = [&](const char* op, double ms) { results[op][n].ms.push_back(ms); };
                record("encrypted: first paint", openInFreshProcess(session.path(QString()), n).ms);
                record("encrypted: login", session.login());
                TForm1& f = *session.form;
                check(f.session().encrypted() && f.ui.ListModel->rowCount() == n,
                      "encrypted rows after login");
                answerAddDialog();
                record("encrypted: add+save", timed([&] { f.ui.AAdd->trigger(); }));
                check(f.session().entries().size() == n + 1, "encrypted added");
                f.SelectNode(0);
                f.TreeViewCatClick();
                select100(f, n);
                ui.answerQuestion(true);
                record("encrypted: delete 100", timed([&] { f.ui.ADelete->trigger(); }));
                // Locked, the vault leaves memory (what is unsaved is written
                // first); the unlock derives the key and reads the files anew.
                const qsizetype kept = f.session().entries().size();
                f.MLockClick();
                check(!f.session().isOpen(), "nothing of the vault kept while locked");
                ui.answerInput(QStringLiteral("benchpw"));
                record("encrypted: unlock", timed([&] { check(f.PMUnlockClick(), "unlocked"); }));
                check(f.session().entries().size() == kept && f.ui.ListModel->rowCount() == kept,
                      "rows after unlock");
                record("encrypted: close", timed([&] { check(f.close(), "closed"); }));
                check(core::crypto::isContainer(platform::readFile(vaultPath)),
                      "encrypted vault written at close");
                if (!ui.unexpected.isEmpty()) {
                    throw std::runtime_error(
                        ui.unexpected.join(QStringLiteral("; ")).toStdString());
                }
                ui.clearShown();
                platform::writeFile(vaultPath, encryptedVault);
                platform::writeFile(passwordFilePath, passwordFile);
                // A backup newer than the vault put back would never be replaced.
                QFile::remove(session.path(QStringLiteral("users/bench/passwords.dat.bak")));
            }
            std::fprintf(stderr, "%d entries done\n", n);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        return 1;
    }

    std::printf("%-24s %9s %12s %9s %12s\n", "operation", "entries", "median ms", "x floor",
                "10k->100k");
    for (const char* op : operations) {
        for (int n : sizes) {
            if (results[op][n].ms.empty()) {
                continue;  // a row set left out
            }
            const double median = results[op][n].median();
            const double floor = results["floor: read + decode"][n].median();
            std::printf("%-24s %9d %12.1f %9.1f", op, n, median, floor > 0 ? median / floor : 0.0);
            if (n == 100000 && results[op].count(10000)) {
                std::printf(" %12.1f", median / std::max(0.001, results[op][10000].median()));
            }
            std::printf("\n");
        }
    }
    // The open in a process of its own, beside the floor, so growth shows.
    std::printf("\n%-9s %9s %9s %9s %9s %9s %9s %9s\n", "entries", "floor ms", "paint ms",
                "peak MB", "lines MB", "rows MB", "order MB", "Qt+rest");
    for (int n : sizes) {
        std::vector<Opened>& runsOf = opened[n];
        if (runsOf.empty()) {
            continue;
        }
        std::sort(runsOf.begin(), runsOf.end(),
                  [](const Opened& a, const Opened& b) { return a.peakKb < b.peakKb; });
        const Opened& o = runsOf[runsOf.size() / 2];  // the median peak
        const double mb = 1024.0 * 1024.0;
        const double peak = double(o.peakKb) / 1024.0;
        std::printf("%-9d %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f\n", n,
                    results["floor: read + decode"][n].median(),
                    results["login to first paint"][n].median(), peak, double(o.lines) / mb,
                    double(o.rows) / mb, double(o.order) / mb,
                    peak - double(o.lines + o.rows + o.order) / mb);
    }
    std::printf("peak resident memory: %.1f MB\n", double(peakResidentKb()) / 1024.0);
    return 0;
}
