#include "accounts/Reopen.h"

#include "accounts/VaultCommands.h"
#include "app/FolderWatch.h"
#include "app/Form1.h"
#include "core/UserStore.h"
#include "platform/CodePage.h"
#include "platform/Widgets.h"

bool reopenFiles(TForm1& f) {
    const core::UserPaths paths = f.Store->paths();
    QString text;
    while (platform::ui().inputQuery(f.windowTitle(), f.FileTexts.reopenPrompt, text, true)) {
        const QByteArray password = text.toUtf8();
        std::unique_ptr<core::UserLogin> login;
        {
            const platform::BusyCursor busy;  // the key derivation of an encrypted user
            login = core::UserLogin::check(paths, password, f.FileTexts);
        }
        if (!login) {
            platform::ui().showMessage(f.StringWrongPassword);
            text.clear();
            continue;
        }
        if (login->keyFileDue() && !f.KeyFileCheck(*login, false)) {
            return false;
        }
        core::LineList lines = f.PasswordList;
        core::LineList names = f.CategoryList.mid(1);
        {
            const platform::BusyCursor busy;
            f.Store = f.Store->reopen(*login, lines, names);
        }
        f.AccountPassword = password;
        f.PasswordList = std::move(lines);
        f.ShowCategories(names);
        f.FillEntryList();
        f.VaultCommands->UpdateMenu();
        f.Watch->watch(paths.folder);
        f.ShowStoreState();
        return true;
    }
    return false;
}
