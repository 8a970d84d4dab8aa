#include "accounts/FormLogin.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <limits>

#include "localization/LanguageTargets.h"
#include "platform/Guard.h"
#include "platform/SysUtils.h"
#include "platform/Widgets.h"
#include "session/Accounts.h"

namespace {

// Whatever way text enters the field (typing, pasting, dropping, an input
// method), only A-Z, a-z and 0-9 stay, at most 16 of them.
class LoginCharValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        QString kept;
        int newPos = 0;
        for (int i = 0; i < input.size(); ++i) {
            const char16_t c = input.at(i).unicode();
            const bool allowed =
                (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
            if (allowed && kept.size() < 16) {
                kept.append(input.at(i));
                if (i < pos) {
                    ++newPos;
                }
            }
        }
        input = kept;
        pos = std::min(newPos, int(kept.size()));
        return Acceptable;
    }
};

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    // No default button: Enter presses only the button that has the focus.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(QString::fromLatin1(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace

TFormLogin::TFormLogin(const session::Accounts& accounts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      accounts_(accounts) {
    setObjectName(QStringLiteral("FormLogin"));
    setWindowTitle(QStringLiteral("Login"));
    setModal(true);

    GroupBoxLogin = new QGroupBox(QStringLiteral(" Enter Data  "), this);
    GroupBoxLogin->setObjectName(QStringLiteral("GroupBoxLogin"));
    LabelLogin = makeLabel(GroupBoxLogin, "LabelLogin", "Login:");
    ComboBoxLogin = new QComboBox(GroupBoxLogin);
    ComboBoxLogin->setObjectName(QStringLiteral("ComboBoxLogin"));
    ComboBoxLogin->setEditable(true);
    ComboBoxLogin->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxLogin->setMaxVisibleItems(10);
    ComboBoxLogin->lineEdit()->setMaxLength(16);
    ComboBoxLogin->setValidator(new LoginCharValidator(ComboBoxLogin));
    ComboBoxLogin->setCompleter(nullptr);
    LabelPassword = makeLabel(GroupBoxLogin, "LabelPassword", "Password:");
    EditPassword = new QLineEdit(GroupBoxLogin);
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setMaxLength(16);
    PasswordValidator = new LoginCharValidator(EditPassword);
    EditPassword->setValidator(PasswordValidator);
    connect(ComboBoxLogin, &QComboBox::currentTextChanged, this,
            [this](const QString& login) { platform::guarded([&] { PasswordRuleFor(login); }); });
    platform::setPasswordChar(EditPassword);
    LabelLogin->setBuddy(ComboBoxLogin);
    LabelPassword->setBuddy(EditPassword);
    LabelInfo = makeLabel(GroupBoxLogin, "LabelInfo", "Use: A - Z, a - z, 0 - 9 for input");
    LabelInfo2 = makeLabel(GroupBoxLogin, "LabelInfo2", "Up to 16 symbols");
    for (QLabel* info : {LabelInfo, LabelInfo2}) {
        QPalette p = info->palette();
        p.setColor(QPalette::WindowText, platform::toQColor(platform::TColor(0xFF000002u)));
        info->setPalette(p);
    }

    auto* grid = new QGridLayout(GroupBoxLogin);
    grid->addWidget(LabelLogin, 0, 0);
    grid->addWidget(ComboBoxLogin, 0, 1);
    grid->addWidget(LabelPassword, 1, 0);
    grid->addWidget(EditPassword, 1, 1);
    grid->addWidget(LabelInfo, 2, 0, 1, 2);
    grid->addWidget(LabelInfo2, 3, 0, 1, 2);

    ButtonLogin = makeButton(this, "ButtonLogin", "Login");
    ButtonNewUser = makeButton(this, "ButtonNewUser", "New User");
    ButtonExit = makeButton(this, "ButtonExit", "Exit");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonLogin);
    buttons->addWidget(ButtonNewUser);
    buttons->addWidget(ButtonExit);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(GroupBoxLogin);
    layout->addLayout(buttons);

    // The three buttons first, then the group box with the password before the login.
    setTabOrder(ButtonLogin, ButtonNewUser);
    setTabOrder(ButtonNewUser, ButtonExit);
    setTabOrder(ButtonExit, EditPassword);
    setTabOrder(EditPassword, ComboBoxLogin);

    FitToTexts();

    connect(ButtonLogin, &QPushButton::clicked, this,
            platform::command([this] { ButtonLoginClick(); }));
    connect(ButtonNewUser, &QPushButton::clicked, this,
            platform::command([this] { ButtonNewUserClick(); }));
    connect(ButtonExit, &QPushButton::clicked, this,
            platform::command([this] { ButtonExitClick(); }));
    // Enter in the password field logs in; Enter in the login field does nothing.
    connect(EditPassword, &QLineEdit::returnPressed, this,
            platform::command([this] { ButtonLoginClick(); }));
}

void TFormLogin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    platform::guarded([this] { FormShow(); });
}

void TFormLogin::PasswordRuleFor(const QString& login) {
    const session::PasswordField rule = session::passwordField(accounts_.encrypted(login));
    EditPassword->setMaxLength(rule.maxLength);
    if (!rule.lettersAndDigitsOnly) {
        EditPassword->setValidator(nullptr);
        return;
    }
    EditPassword->setValidator(PasswordValidator);
    QString text = EditPassword->text();
    int pos = 0;
    PasswordValidator->validate(text, pos);
    if (text != EditPassword->text()) {
        EditPassword->setText(text);
    }
}

void TFormLogin::FormShow() {
    // The list keeps its items sorted; items already there stay.
    QStringList names = Users;
    for (int i = 0; i < ComboBoxLogin->count(); ++i) {
        names << ComboBoxLogin->itemText(i);
    }
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return platform::AnsiCompareText(a, b) < 0;
    });
    ComboBoxLogin->clear();
    ComboBoxLogin->addItems(names);
    if (ComboBoxLogin->count() > 0) {
        ComboBoxLogin->setCurrentIndex(0);
        EditPassword->setFocus();
    } else {
        ComboBoxLogin->setFocus();
    }
}

void TFormLogin::keyPressEvent(QKeyEvent* event) {
    if (platform::pressFocusedButton(this, event)) {
        return;
    }
    // Escape does not close the dialog: only Login, New User and Exit leave it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormLogin::closeEvent(QCloseEvent* event) {
    // Closed by the window manager: the same as Exit, so the program never
    // keeps running without a window.
    Q_EMIT closing();
    QDialog::closeEvent(event);
}

bool TFormLogin::FieldCheck() {
    const QString login = ComboBoxLogin->currentText();
    const QString password = EditPassword->text();
    if (!login.isEmpty() && !password.isEmpty()) {
        return true;
    }
    QString message;
    if (login.isEmpty()) {
        message += StringEnterLogin + QLatin1Char('\r');
    }
    if (password.isEmpty()) {
        message += StringEnterPassword;
    }
    platform::ui().showMessage(message);
    return false;
}

void TFormLogin::ButtonLoginClick() {
    if (!FieldCheck()) {
        return;
    }
    const QString login = ComboBoxLogin->currentText();
    if (!accounts_.exists(login)) {
        platform::ui().showMessage(StringUser + login + StringNotExists);
        return;
    }
    Q_EMIT loginRequested(login, EditPassword->text().toUtf8());
}

void TFormLogin::ButtonNewUserClick() {
    if (FieldCheck()) {
        Q_EMIT newUserRequested(ComboBoxLogin->currentText(), EditPassword->text().toUtf8());
    }
}

void TFormLogin::ButtonExitClick() {
    Q_EMIT exitRequested();
    done(QDialog::Rejected);
}

void TFormLogin::LoggedIn() {
    // The account password stays in no widget once the user is opened.
    EditPassword->clear();
    done(QDialog::Accepted);
}

void TFormLogin::FitToTexts() {
    platform::fitToTexts(this, QSize(227, 171));
}

void TFormLogin::AppendLanguageTargets(language::Targets& t) {
    using language::caption;
    using language::text;
    t.push_back(language::windowCaption("FormLogin->Caption", this));
    t.push_back(caption("FormLogin->ButtonLogin->Caption", ButtonLogin));
    t.push_back(caption("FormLogin->ButtonNewUser->Caption", ButtonNewUser));
    t.push_back(caption("FormLogin->ButtonExit->Caption", ButtonExit));
    t.push_back(caption("FormLogin->GroupBoxLogin->Caption", GroupBoxLogin));
    t.push_back(caption("FormLogin->LabelLogin->Caption", LabelLogin));
    t.push_back(caption("FormLogin->LabelPassword->Caption", LabelPassword));
    t.push_back(caption("FormLogin->LabelInfo->Caption", LabelInfo));
    t.push_back(caption("FormLogin->LabelInfo2->Caption", LabelInfo2));
    t.push_back(text("FormLogin->StringUser", StringUser));
    t.push_back(text("FormLogin->StringExists", StringExists));
    t.push_back(text("FormLogin->StringNotExists", StringNotExists));
    t.push_back(text("FormLogin->StringEnterLogin", StringEnterLogin));
    t.push_back(text("FormLogin->StringEnterPassword", StringEnterPassword));
    t.push_back(text("FormLogin->StringWrongPassword", StringWrongPassword));
}
