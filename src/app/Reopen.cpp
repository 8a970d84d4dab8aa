#include "app/Reopen.h"

#include "accounts/VaultCommands.h"
#include "app/Form1.h"
#include "platform/Widgets.h"

bool reopenFiles(TForm1& f) {
    session::UserSession& session = f.session();
    QString text;
    while (platform::ui().inputQuery(f.windowTitle(), f.texts.Files.reopenPrompt, text, true)) {
        const QByteArray password = text.toUtf8();
        std::unique_ptr<core::UserLogin> login;
        {
            const platform::BusyCursor busy;  // the key derivation of an encrypted user
            login = f.accounts().check(session.login(), password, f.texts.Files);
        }
        if (!login) {
            platform::ui().showMessage(f.texts.StringWrongPassword);
            text.clear();
            continue;
        }
        if (login->keyFileDue() && !f.KeyFileCheck(*login, false)) {
            return false;
        }
        {
            const platform::BusyCursor busy;
            session.reopen(*login, password);
        }
        f.ShowSession();
        f.ui.VaultCommands->UpdateMenu();
        return true;
    }
    return false;
}
