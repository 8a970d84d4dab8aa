// Changing the account password, locking and unlocking.
#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "accounts/FormLogin.h"
#include "accounts/LockedView.h"
#include "accounts/VaultCommands.h"
#include "app/FolderWatch.h"
#include "app/Form1.h"
#include "core/EncryptedVault.h"
#include "mainwindow/InactivityWatch.h"
#include "mainwindow/SecretClipboard.h"
#include "platform/Widgets.h"
#include "shell/TrayIcon.h"

void TForm1::MChangePassClick() {
    // The rules and the file to write are those of the format on disk.
    if (!FilesCurrent()) {
        return;
    }
    QString text;
    while (platform::ui().inputNewPassword(StringChangeAccountPassword, StringNewPassword, text,
                                           [this](const QString& t) { Clipboard->copy(t); })) {
        // An encrypted user's password file is no longer read by the Windows
        // program: a passphrase protects the vault instead of four letters.
        if (Store->encrypted()) {
            if (core::passphraseProblem(text) != core::PassphraseProblem::None) {
                platform::ui().showMessage(VaultCommands->StringPassphraseRule);
                text.clear();
                continue;
            }
        } else if (text.size() < 4 || text.size() > 15) {
            platform::ui().showMessage(StringEnterCorrectPassword);
            text.clear();
            continue;
        }
        // A password the login dialog cannot take would lock its owner out.
        if (!Store->encrypted() && !core::isValidLoginName(text)) {
            platform::ui().showMessage(StringPasswordCharacters);
            text.clear();
            continue;
        }
        const QByteArray password = text.toUtf8();
        // Replaced in one piece: a failed write leaves the old file and password.
        {
            const platform::BusyCursor busy;
            Store->changePassword(password);
        }
        AccountPassword = password;
        return;
    }
}

void TForm1::SetLockedView(bool locked) {
    // Nothing of the vault shows while locked, also where there is no tray to hide in.
    centralWidget()->setVisible(!locked);
    StatusBar1->setVisible(!locked);
    menuBar()->setEnabled(!locked);
}

void TForm1::MLockClick() {
    Locked = true;
    PMUnlock->setVisible(true);
    Inactivity->update();
    // Whatever box, dialog or menu is open shows an entry or could change the
    // account: each closes as if cancelled, nothing of it is stored.
    platform::ui().cancelModals();
    Clipboard->forget();
    if (!LockedState) {
        LockedState = std::make_unique<LockedView>(*this);
    }
    SetLockedView(true);
    StTrayIcon1->MinimizeApplication();
}

bool TForm1::PMUnlockClick() {
    if (!Locked || !LockedState || LockedState->unlocking) {
        return false;
    }
    LockedState->unlocking = true;
    // The boxes the lock closed have all returned by now.
    platform::ui().allowModals();
    QString text;
    bool unlocked = false;
    // Hidden while typed: the window may be locked because others are near.
    while (platform::ui().inputQuery(StringUnlock, StringInputPassword, text, true)) {
        if (text == QString::fromUtf8(AccountPassword)) {
            unlocked = true;
            break;
        }
        platform::ui().showMessage(StringWrongPassword);
        text.clear();
    }
    LockedState->unlocking = false;
    if (!unlocked) {
        if (!StTrayIcon1->active()) {
            StTrayIcon1->MinimizeApplication();  // it stays locked out of sight
        }
        return false;
    }
    Locked = false;
    LockedState->restore();
    LockedState.reset();
    PMUnlock->setVisible(false);
    SetLockedView(false);
    StTrayIcon1->RestoreApplication();
    Inactivity->update();
    Watch->settle();  // what changed elsewhere while locked
    return true;
}

void TForm1::StTrayIcon1Click() {
    if (LoggedIn && !Locked) {
        StTrayIcon1->RestoreApplication();
    }
}

void TForm1::StTrayIcon1DblClick() {
    StTrayIcon1Click();
}

void TForm1::PMTrayAddClick() {
    // Before a login nothing is loaded that an entry could be added to.
    if (Locked || !LoggedIn) {
        return;
    }
    StTrayIcon1->RestoreApplication();
    AAddExecute();
}

void TForm1::PMTrayExitClick() {
    if (!LoggedIn) {
        // During the login dialog: the same as its Exit, nothing is written.
        Terminate();
        FormLogin->done(QDialog::Rejected);
        return;
    }
    close();
}
