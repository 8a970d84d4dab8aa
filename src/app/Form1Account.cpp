// Changing the account password, locking and unlocking.
#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "accounts/FormLogin.h"
#include "accounts/VaultCommands.h"
#include "app/Form1.h"
#include "app/LockedView.h"
#include "mainwindow/InactivityWatch.h"
#include "mainwindow/SecretClipboard.h"
#include "mainwindow/TitleOrder.h"
#include "platform/Widgets.h"
#include "shell/TrayIcon.h"

void TForm1::MChangePassClick() {
    // The rules and the file to write are those of the format on disk.
    if (!FilesCurrent()) {
        return;
    }
    QString text;
    while (platform::ui().inputNewPassword(texts.StringChangeAccountPassword,
                                           texts.StringNewPassword, text,
                                           [this](const QString& t) { ui.Clipboard->copy(t); })) {
        // An encrypted user's passphrase protects the vault instead of four
        // letters; a compatible password the login dialog cannot take would
        // lock its owner out.
        const session::PasswordRule rule = session::newPasswordRule(text, session_.encrypted());
        if (rule != session::PasswordRule::Met) {
            platform::ui().showMessage(
                rule == session::PasswordRule::Passphrase ? ui.VaultCommands->StringPassphraseRule
                : rule == session::PasswordRule::CompatibleLength ? texts.StringEnterCorrectPassword
                                                                  : texts.StringPasswordCharacters);
            text.clear();
            continue;
        }
        // Replaced in one piece: a failed write leaves the old file and password.
        const platform::BusyCursor busy;
        session_.changePassword(text.toUtf8());
        return;
    }
}

void TForm1::SetLockedView(bool locked) {
    // Nothing of the vault shows while locked, also where there is no tray to hide in.
    centralWidget()->setVisible(!locked);
    ui.StatusBar1->setVisible(!locked);
    menuBar()->setEnabled(!locked);
}

void TForm1::MLockClick() {
    const bool wasLocked = locked();
    ui.PMUnlock->setVisible(true);
    // Whatever box, dialog or menu is open shows an entry or could change the
    // account: each closes as if cancelled, nothing of it is stored.
    platform::ui().cancelModals();
    ui.Clipboard->forget();
    if (!LockedState) {
        LockedState = std::make_unique<LockedView>(*this);
    }
    if (!wasLocked) {
        // No widget holds anything of the vault now: the session lets it go.
        TitleOrderCache->clear();
        session_.lock();
    }
    ui.Inactivity->update();
    SetLockedView(true);
    ui.StTrayIcon1->MinimizeApplication();
}

bool TForm1::PMUnlockClick() {
    if (!locked() || !LockedState || LockedState->unlocking) {
        return false;
    }
    LockedState->unlocking = true;
    // The boxes the lock closed have all returned by now.
    platform::ui().allowModals();
    QString text;
    bool unlocked = false;
    // Hidden while typed: the window may be locked because others are near.
    while (platform::ui().inputQuery(texts.StringUnlock, texts.StringInputPassword, text, true)) {
        {
            // An encrypted user's key is derived anew and the files read again.
            const platform::BusyCursor busy;
            unlocked = session_.unlock(
                text, [this](core::UserLogin& login) { return KeyFileCheck(login, false); });
        }
        text.fill(QChar(0));
        text.clear();
        if (unlocked) {
            break;
        }
        platform::ui().showMessage(texts.StringWrongPassword);
    }
    LockedState->unlocking = false;
    if (!unlocked) {
        if (!ui.StTrayIcon1->active()) {
            ui.StTrayIcon1->MinimizeApplication();  // it stays locked out of sight
        }
        return false;
    }
    LockedState->restore(session_.unchangedWhileLocked());
    LockedState.reset();
    ui.PMUnlock->setVisible(false);
    SetLockedView(false);
    ui.StTrayIcon1->RestoreApplication();
    ui.Inactivity->update();
    session_.watch().settle();  // what changed elsewhere while locked
    return true;
}

void TForm1::StTrayIcon1Click() {
    if (loggedIn() && !locked()) {
        ui.StTrayIcon1->RestoreApplication();
    }
}

void TForm1::PMTrayAddClick() {
    // Before a login nothing is loaded that an entry could be added to.
    if (locked() || !loggedIn()) {
        return;
    }
    ui.StTrayIcon1->RestoreApplication();
    AAddExecute();
}

void TForm1::PMTrayExitClick() {
    if (!loggedIn()) {
        // During the login dialog: the same as its Exit, nothing is written.
        Terminate();
        ui.FormLogin->done(QDialog::Rejected);
        return;
    }
    close();
}
