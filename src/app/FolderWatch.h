#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

class TForm1;

// Takes what another program or a sync tool changed in the logged-in user's
// folder into the window at once: the vault and category file merged, new
// conflict copies offered. The folder is watched, not only the files: sync
// tools replace files by renaming. A burst of changes is taken once; while
// locked or while a dialog is open it waits, so nothing changes under a
// dialog or behind the lock.
class FolderWatch : public QObject {
public:
    explicit FolderWatch(TForm1& form1);

    void watch(const QString& folder);
    // The burst is over (the settle timer's end), or the unlock: a change is
    // taken now when the window allows it, else kept for later.
    void settle();
    bool pending() const { return pending_; }
    // What the watched folder reports.
    void changed();
    // Tests settle by hand.
    void setSettleMs(int ms) { settleMs_ = ms; }

private:
    void watchFiles();
    void take();
    TForm1& form1_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QString folder_;
    bool pending_ = false;
    bool lookAgain_ = false;
    // Long enough for a sync tool's temporary file, rename and backup to
    // land as one change; short enough to feel immediate.
    int settleMs_ = 300;
};
