#pragma once

#include <QDialog>
#include <vector>

#include "app/Form1.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QValidator;

// The login dialog: opens an existing user, creates a new one, or ends the program.
class TFormLogin : public QDialog {
    Q_OBJECT

public:
    explicit TFormLogin(TForm1& form1);

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

    void AppendLanguageTargets(std::vector<TForm1::LanguageTarget>& targets);
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

    TForm1& form1_;
};
