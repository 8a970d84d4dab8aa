#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace session {

// Tells when something changed in a user's folder: another program or a
// sync tool wrote the vault, the category file or a conflict copy. The folder
// is watched, not only the files (sync tools replace files by renaming), and
// the files too (a network share may write them in place). A burst of
// changes is told once, when it has settled; it stays pending until taken.
class FolderWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(QObject* parent = nullptr);

    // An empty folder: nothing is watched.
    void watch(const QString& folder, const QStringList& files);
    // What the watcher reports; tests call it too.
    void changed();
    // The burst is over (the settle timer's end, or by hand): settled() when pending.
    void settle();
    // A file still being written: settled() again once two reads can agree.
    void lookAgainSoon();
    bool pending() const { return pending_; }
    void taken() { pending_ = false; }
    // Tests settle by hand.
    void setSettleMs(int ms) { settleMs_ = ms; }

Q_SIGNALS:
    void settled();

private:
    void watchFiles();
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QStringList files_;
    bool pending_ = false;
    bool lookAgain_ = false;
    // Long enough for a sync tool's temporary file, rename and backup to
    // land as one change; short enough to feel immediate.
    int settleMs_ = 300;
};

}  // namespace session
