#include "app/ConflictCopies.h"

#include "app/FolderWatch.h"
#include "app/Form1.h"
#include "core/LineMerge.h"
#include "platform/Files.h"
#include "platform/Guard.h"

void offerConflictCopies(TForm1& f) {
    for (const core::UserStore::ConflictCopy& copy : f.Store->conflictCopies()) {
        // One copy that cannot be read is reported; the others are still offered.
        bool locked = false;
        platform::guarded([&] {
            const core::LineList current = copy.categories ? f.CategoryList.mid(1) : f.PasswordList;
            const core::LineList merged =
                core::addMissing(current, f.Store->readConflictCopy(copy));
            const qsizetype added = merged.size() - current.size();
            const bool take = added == 0 || platform::ui().askOkCancel(
                                                core::pluralForm(f.FileTexts.conflictCopy, added)
                                                    .arg(platform::fullNativePath(copy.path))
                                                    .arg(added),
                                                f.windowTitle());
            // The lock closed the question, as if cancelled: nobody declined
            // the copy. It is offered again after the unlock.
            if (f.Locked) {
                locked = true;
                f.Watch->changed();
                return;
            }
            if (take && added > 0) {
                // The tree and the list refreshed, keeping the category and row.
                if (copy.categories) {
                    f.StoreWrite([&] {
                        const auto more = f.Store->writeCategories(merged);
                        f.TakeMerged(std::nullopt,
                                     core::UserStore::Merged{more ? more->lines : merged});
                    });
                } else {
                    f.PasswordList = merged;
                    f.SavePasswords();
                    f.TakeMerged(core::UserStore::Merged{f.PasswordList}, std::nullopt);
                }
            }
            f.Store->setConflictCopyAside(copy, take);
        });
        if (locked) {
            return;
        }
    }
}
