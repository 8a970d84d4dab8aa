#include "app/FolderWatch.h"

#include <algorithm>

#include "app/ConflictCopies.h"
#include "app/Form1.h"
#include "core/UserStore.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "platform/Widgets.h"

namespace {
// While a dialog holds the window, how often to look again.
constexpr int kWaitMs = 1000;
// A file still being written elsewhere: read again once two reads can agree.
constexpr int kLookAgainMs = 250;
}  // namespace

FolderWatch::FolderWatch(TForm1& form1) : QObject(&form1), form1_(form1) {
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, [this] { settle(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed(); });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { changed(); });
}

void FolderWatch::watch(const QString& folder) {
    const QStringList watched = watcher_.directories() + watcher_.files();
    if (!watched.isEmpty()) {
        watcher_.removePaths(watched);
    }
    folder_ = folder;
    pending_ = false;
    if (!folder.isEmpty()) {
        watcher_.addPath(folder);
        watchFiles();
    }
}

void FolderWatch::watchFiles() {
    // A file written in place (a network share) changes no folder entry; a
    // file replaced by a rename drops its watch, so the files are added again.
    if (!folder_.isEmpty() && form1_.Store) {
        const core::UserPaths& paths = form1_.Store->paths();
        for (const QString& file : {paths.vault, paths.categories}) {
            if (!watcher_.files().contains(file) && platform::FileExists(file)) {
                watcher_.addPath(file);
            }
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
    if (!pending_ || !form1_.Store) {
        return;
    }
    if (!form1_.LoggedIn || form1_.Locked || platform::modalOpen()) {
        if (!form1_.Locked) {
            settle_.start(std::max(settleMs_, kWaitMs));  // the dialog's close is not announced
        }
        return;
    }
    pending_ = false;
    platform::guarded([this] { take(); });
}

void FolderWatch::take() {
    TForm1& f = form1_;
    // Both files are taken into the window even when the other one fails:
    // what the store merged is its base from now on.
    const auto names = f.Store->takeCategoryChanges(f.CategoryList.mid(1));
    std::optional<core::UserStore::Merged> lines;
    try {
        lines = f.Store->takeVaultChanges(f.PasswordList);
    } catch (...) {
        f.TakeMerged(std::nullopt, names);
        throw;
    }
    f.TakeMerged(lines, names);
    f.ShowStoreState();
    lookAgain_ = f.Store->unsettled();
    if (lookAgain_) {
        // Still being written elsewhere: looked at again shortly.
        pending_ = true;
        settle_.start(kLookAgainMs);
        return;
    }
    // A write put off until the file could be read is made now; never one
    // that would need the password of a format changed elsewhere.
    if (f.Store->unsaved() && f.Store->formatUnchanged()) {
        f.StoreWrite(
            [&f] { f.TakeMerged(std::nullopt, f.Store->writeCategories(f.CategoryList.mid(1))); });
        f.SavePasswords();
    }
    offerConflictCopies(f);
}
