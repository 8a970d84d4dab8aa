#include "app/ConflictCopies.h"

#include "app/Form1.h"
#include "platform/Files.h"
#include "platform/Guard.h"

void offerConflictCopies(TForm1& f) {
    session::UserSession& session = f.session();
    for (const core::UserStore::ConflictCopy& copy : session.conflictCopies()) {
        // One copy that cannot be read is reported; the others are still offered.
        bool locked = false;
        platform::guarded([&] {
            const qsizetype added = session.copyAdds(copy).size();
            const bool take = added == 0 || platform::ui().askOkCancel(
                                                core::pluralForm(f.texts.Files.conflictCopy, added)
                                                    .arg(platform::fullNativePath(copy.path))
                                                    .arg(added),
                                                f.windowTitle());
            // The lock closed the question, as if cancelled: nobody declined
            // the copy. It is offered again after the unlock.
            if (f.locked()) {
                locked = true;
                session.watch().changed();
                return;
            }
            if (take && added > 0) {
                session.takeCopy(copy);
                f.ShowSession();  // keeping the category and row
            }
            session.setCopyAside(copy, take);
        });
        if (locked) {
            return;
        }
    }
}
