#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

#include "localization/LanguageTarget.h"

namespace session {
class Accounts;
}

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QValidator;

// The login dialog: asks to open an existing user, to create a new one, or
// to end the program. The main window does what is asked.
class TFormLogin : public QDialog {
    Q_OBJECT

public:
    TFormLogin(const session::Accounts& accounts, QWidget* parent);

    // The known users, offered sorted.
    QStringList Users;

    QGroupBox* GroupBoxLogin = nullptr;
    QLabel* LabelLogin = nullptr;
    QComboBox* ComboBoxLogin = nullptr;
    QLabel* LabelPassword = nullptr;
    QLineEdit* EditPassword = nullptr;
    QLabel* LabelInfo = nullptr;
    QLabel* LabelInfo2 = nullptr;
    QPushButton* ButtonLogin = nullptr;
    QPushButton* ButtonNewUser = nullptr;
    QPushButton* ButtonExit = nullptr;

    QString StringUser;
    QString StringExists;
    QString StringNotExists;
    QString StringEnterLogin;
    QString StringEnterPassword;
    QString StringWrongPassword;

    void FormShow();
    void ButtonLoginClick();
    void ButtonNewUserClick();
    void ButtonExitClick();
    // The login succeeded: the dialog closes, the password field emptied.
    void LoggedIn();

    void AppendLanguageTargets(language::Targets& targets);
    // Sizes the dialog to its texts, never below its design size.
    void FitToTexts();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // An encrypted user's password is a passphrase: any text, up to 128
    // characters; every other user's stays 16 letters and digits.
    void PasswordRuleFor(const QString& login);
    QValidator* PasswordValidator = nullptr;
    bool FieldCheck();

    const session::Accounts& accounts_;

Q_SIGNALS:
    void loginRequested(const QString& login, const QByteArray& password);
    void newUserRequested(const QString& login, const QByteArray& password);
    void exitRequested();
    // Closed by the window manager.
    void closing();
};
