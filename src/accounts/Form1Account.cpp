// Changing the account password, locking and unlocking.
#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "accounts/FormLogin.h"
#include "app/Form1.h"
#include "core/EncryptedVault.h"
#include "core/PasswordEntry.h"
#include "platform/TextList.h"
#include "platform/Widgets.h"
#include "shell/TrayIcon.h"

void TForm1::MChangePassClick() {
    QString text;
    while (platform::ui().inputQuery(StringChangeAccountPassword, StringNewPassword, text)) {
        if (text.size() < 4 || text.size() > 15) {
            platform::ui().showMessage(StringEnterCorrectPassword);
            text.clear();
            continue;
        }
        // A password the login dialog cannot take would lock its owner out.
        if (!core::isValidLoginName(text)) {
            platform::ui().showMessage(StringPasswordCharacters);
            text.clear();
            continue;
        }
        const QByteArray password = text.toLatin1();
        // Replaced in one piece: a failed write leaves the old file and password.
        if (Vault) {
            const platform::BusyCursor busy;
            core::rewrapDataKey(UserPaths().passwordFile, password, *Vault);
        } else {
            platform::saveTextList(UserPaths().passwordFile, {core::Scramble(password)});
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
    UpdateInactivityTimer();
    // Whatever box or dialog is open shows an entry or could change the
    // account: each closes as if cancelled, nothing of it is stored.
    platform::ui().cancelModals();
    for (int i = 0; i < 10 && QApplication::activePopupWidget(); ++i) {
        QApplication::activePopupWidget()->close();  // a context menu offers Copy Password
    }
    ClearSecretClipboard();
    SetLockedView(true);
    StTrayIcon1->MinimizeApplication();
}

bool TForm1::PMUnlockClick() {
    if (!Locked || Unlocking) {
        return false;
    }
    Unlocking = true;
    // The boxes the lock closed have all returned by now.
    platform::ui().allowModals();
    QString text;
    bool unlocked = false;
    // Hidden while typed: the window may be locked because others are near.
    while (platform::ui().inputQuery(StringUnlock, StringInputPassword, text, true)) {
        if (text == QString::fromLatin1(AccountPassword)) {
            unlocked = true;
            break;
        }
        platform::ui().showMessage(StringWrongPassword);
        text.clear();
    }
    Unlocking = false;
    if (!unlocked) {
        if (!StTrayIcon1->active()) {
            StTrayIcon1->MinimizeApplication();  // it stays locked out of sight
        }
        return false;
    }
    Locked = false;
    PMUnlock->setVisible(false);
    SetLockedView(false);
    StTrayIcon1->RestoreApplication();
    UpdateInactivityTimer();
    return true;
}

void TForm1::UserOpened() {
    UpdateInactivityTimer();
}

void TForm1::UpdateInactivityTimer() {
    if (LoggedIn && !Locked) {
        if (!Timer1->isActive()) {
            InactivityCounter = 0;
            Timer1->start();
        }
    } else {
        Timer1->stop();
        InactivityCounter = 0;
    }
}

// The count runs whether the program is active or not: away from it, no input
// reaches it; in front of it, a person who walks away gives none either.
void TForm1::ApplicationEvents1Deactivate() {
    UpdateInactivityTimer();
}

void TForm1::ApplicationEvents1Activate() {
    InactivityCounter = 0;
    UpdateInactivityTimer();
}

void TForm1::Timer1Timer() {
    if (!LoggedIn || Locked) {
        UpdateInactivityTimer();
        return;
    }
    ++InactivityCounter;
    if (InactivityCounter >= kInactivityLimit) {
        MLockClick();
    }
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
