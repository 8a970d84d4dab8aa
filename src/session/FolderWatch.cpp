#include "session/FolderWatch.h"

#include <algorithm>

#include "platform/Files.h"

namespace session {

namespace {
// A file still being written elsewhere: read again once two reads can agree.
constexpr int kLookAgainMs = 250;
}  // namespace

FolderWatch::FolderWatch(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, [this] { settle(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed(); });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { changed(); });
}

void FolderWatch::watch(const QString& folder, const QStringList& files) {
    const QStringList watched = watcher_.directories() + watcher_.files();
    if (!watched.isEmpty()) {
        watcher_.removePaths(watched);
    }
    files_ = folder.isEmpty() ? QStringList() : files;
    pending_ = false;
    lookAgain_ = false;
    settle_.stop();
    if (!folder.isEmpty()) {
        watcher_.addPath(folder);
        watchFiles();
    }
}

void FolderWatch::watchFiles() {
    // A file replaced by a rename drops its watch, so the files are added again.
    for (const QString& file : files_) {
        if (!watcher_.files().contains(file) && platform::FileExists(file)) {
            watcher_.addPath(file);
        }
    }
}

void FolderWatch::changed() {
    watchFiles();
    pending_ = true;
    // A file being written elsewhere is looked at again soon, burst or not.
    settle_.start(lookAgain_ ? std::min(settleMs_, kLookAgainMs) : settleMs_);
}

void FolderWatch::settle() {
    lookAgain_ = false;
    if (pending_) {
        Q_EMIT settled();
    }
}

void FolderWatch::lookAgainSoon() {
    lookAgain_ = true;
    pending_ = true;
    settle_.start(kLookAgainMs);
}

}  // namespace session
