#include "app/ConflictCopies.h"

#include "app/Form1.h"
#include "core/LineMerge.h"
#include "platform/Files.h"
#include "platform/Guard.h"

void offerConflictCopies(TForm1& f) {
    for (const core::UserStore::ConflictCopy& copy : f.Store->conflictCopies()) {
        // One copy that cannot be read is reported; the others are still offered.
        platform::guarded([&] {
            const core::LineList current = copy.categories ? f.CategoryList.mid(1) : f.PasswordList;
            const core::LineList merged =
                core::addMissing(current, f.Store->readConflictCopy(copy));
            const qsizetype added = merged.size() - current.size();
            const bool take =
                added == 0 ||
                platform::ui().askOkCancel(
                    f.FileTexts.conflictCopy.arg(platform::fullNativePath(copy.path)).arg(added),
                    f.windowTitle());
            if (take && added > 0) {
                // The tree and the list refreshed, keeping the category and row.
                if (copy.categories) {
                    const auto more = f.Store->writeCategories(merged);
                    f.TakeMerged(std::nullopt,
                                 core::UserStore::Merged{more ? more->lines : merged});
                } else {
                    f.PasswordList = merged;
                    f.SavePasswords();
                    f.TakeMerged(core::UserStore::Merged{f.PasswordList}, std::nullopt);
                }
            }
            f.Store->setConflictCopyAside(copy, take);
        });
    }
}
