#include "mainwindow/EntryDialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/Generator.h"
#include "localization/LanguageTargets.h"
#include "mainwindow/StorableText.h"
#include "platform/CodePage.h"
#include "platform/Guard.h"
#include "platform/SecretField.h"
#include "platform/TextList.h"
#include "platform/Widgets.h"
#include "session/UserSession.h"

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

}  // namespace

TEntryDialog::TEntryDialog(session::UserSession& session, EntryDialogTexts& texts, bool editing,
                           QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      session_(session),
      texts_(texts) {
    setWindowTitle(editing ? QStringLiteral("Edit Data") : QStringLiteral("Add Data"));
    setModal(true);
    GroupBox =
        new QGroupBox(editing ? QStringLiteral(" Edit Data ") : QStringLiteral(" Add Data "), this);
    GroupBox->setObjectName(editing ? QStringLiteral("GroupBoxEdit")
                                    : QStringLiteral("GroupBoxAdd"));
    auto* grid = new QGridLayout(GroupBox);

    struct Row {
        QLabel** label;
        const char* labelName;
        const char* caption;
        QWidget* field;
        QPushButton* extra;
    };
    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(GroupBox);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    EditName = edit("EditName");
    EditLogin = edit("EditLogin");
    EditPassword = edit("EditPassword");
    platform::setPasswordChar(EditPassword);
    EditPassword->setEchoMode(QLineEdit::Normal);
    platform::guardSecretField(EditPassword,
                               [this](const QString& text) { Q_EMIT secretCopied(text); });
    ComboBoxCat = new QComboBox(GroupBox);
    ComboBoxCat->setObjectName(QStringLiteral("ComboBoxCat"));
    ComboBoxCat->setEditable(false);  // a drop-down list: no typed text
    ComboBoxCat->setMaxVisibleItems(20);
    ComboBoxCat->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    EditUrl = edit("EditUrl");
    EditComments = edit("EditComments");
    EditPin = edit("EditPin");
    EditCreditCard = edit("EditCreditCard");
    EditSoftwareSerial = edit("EditSoftwareSerial");
    ButtonPassGen = makeButton(GroupBox, "ButtonPassGen", "Generate");
    ButtonNewCat = makeButton(GroupBox, "ButtonNewCat", "New");
    ButtonUrl = makeButton(GroupBox, "ButtonUrl", "->");

    const Row rows[] = {
        {&LabelName, "LabelName", "Name:", EditName, nullptr},
        {&LabelLogin, "LabelLogin", "Login:", EditLogin, nullptr},
        {&LabelPassword, "LabelPassword", "Password:", EditPassword, ButtonPassGen},
        {&LabelCat, "LabelCat", editing ? "Category" : "Category:", ComboBoxCat, ButtonNewCat},
        {&LabelUrl, "LabelUrl", editing ? "Url:" : "Website:", EditUrl, ButtonUrl},
        {&LabelComments, "LabelComments", "Comments:", EditComments, nullptr},
        {&LabelPin, "LabelPin", "PIN Code:", EditPin, nullptr},
        {&LabelCreditCard, "LabelCreditCard", "Credit Card:", EditCreditCard, nullptr},
        {&LabelSoftwareSerial, "LabelSoftwareSerial", "Software Serial:", EditSoftwareSerial,
         nullptr},
    };
    int r = 0;
    for (const Row& row : rows) {
        *row.label = new QLabel(QString::fromLatin1(row.caption), GroupBox);
        (*row.label)->setObjectName(QString::fromLatin1(row.labelName));
        (*row.label)->setBuddy(row.field);
        grid->addWidget(*row.label, r, 0);
        row.field->setMinimumWidth(200);
        grid->addWidget(row.field, r, 1);
        if (row.extra) {
            grid->addWidget(row.extra, r, 2);
        }
        ++r;
    }

    ButtonOk = makeButton(this, "ButtonOk", "OK");
    ButtonCancel = makeButton(this, "ButtonCancel", "Cancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(EditName, EditLogin);
    setTabOrder(EditLogin, EditPassword);
    setTabOrder(EditPassword, ButtonPassGen);
    setTabOrder(ButtonPassGen, ComboBoxCat);
    setTabOrder(ComboBoxCat, ButtonNewCat);
    setTabOrder(ButtonNewCat, EditUrl);
    setTabOrder(EditUrl, ButtonUrl);
    setTabOrder(ButtonUrl, EditComments);
    setTabOrder(EditComments, EditPin);
    setTabOrder(EditPin, EditCreditCard);
    setTabOrder(EditCreditCard, EditSoftwareSerial);
    setTabOrder(EditSoftwareSerial, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);

    connect(ButtonOk, &QPushButton::clicked, this, platform::command([this] { ButtonOkClick(); }));
    connect(ButtonCancel, &QPushButton::clicked, this,
            platform::command([this] { ButtonCancelClick(); }));
    connect(ButtonPassGen, &QPushButton::clicked, this,
            platform::command([this] { ButtonPassGenClick(); }));
    connect(ButtonNewCat, &QPushButton::clicked, this,
            platform::command([this] { ButtonNewCatClick(); }));
    connect(ButtonUrl, &QPushButton::clicked, this,
            platform::command([this] { ButtonUrlClick(); }));
}

void TEntryDialog::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button; otherwise no button answers Enter or
    // Escape, and only OK, Cancel and the close box end the dialog.
    if (platform::pressFocusedButton(this, event)) {
        return;
    }
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TEntryDialog::FitToTexts() {
    platform::fitToTexts(this, QSize());
}

void TEntryDialog::ButtonCancelClick() {
    reject();
}

void TEntryDialog::ButtonPassGenClick() {
    EditPassword->setText(QString::fromLatin1(core::generatePassword()));
}

void TEntryDialog::ButtonUrlClick() {
    Q_EMIT openLinkRequested();
}

void TEntryDialog::FillCategories() {
    ComboBoxCat->clear();
    for (const QByteArray& name : session_.categories()) {
        // The item keeps the stored bytes, so writing the list back never
        // changes a name the code page cannot show.
        ComboBoxCat->addItem(session_.text(name), name);
    }
}

void TEntryDialog::ShowPasswordMasked(bool masked) {
    EditPassword->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void TEntryDialog::WriteCategoryFile() {
    platform::TextLines names;
    for (int i = 0; i < ComboBoxCat->count(); ++i) {
        names.append(ComboBoxCat->itemData(i).toByteArray());
    }
    session_.writeCategories(names);
    if (session_.categories() != names) {
        // Names from elsewhere join the dialog too, so its next write keeps them.
        const QByteArray chosen = ComboBoxCat->currentData().toByteArray();
        const bool any = ComboBoxCat->currentIndex() >= 0;
        FillCategories();
        ComboBoxCat->setCurrentIndex(any ? ComboBoxCat->findData(chosen) : -1);
    }
}

void TEntryDialog::ButtonNewCatClick() {
    QString text;
    std::optional<QByteArray> name;
    while (!name) {
        if (!platform::ui().inputQuery(texts_.newCategory, texts_.enterCatTitle, text)) {
            return;
        }
        name = storableText(session_, text, texts_.cannotStore);
    }
    ComboBoxCat->addItem(text, *name);
    ComboBoxCat->setCurrentIndex(ComboBoxCat->count() - 1);
    session_.addCategory(*name);
    Q_EMIT categoryAdded();
    // Written last: when the file cannot be written the category is still in
    // the list, the tree and the combo alike, and the next save stores it.
    WriteCategoryFile();
}

bool TEntryDialog::RequiredFieldsFilled() const {
    return !EditName->text().isEmpty() && !EditLogin->text().isEmpty() &&
           !EditPassword->text().isEmpty();
}

QString TEntryDialog::EmptyFieldMessage(bool crAfterPassword) const {
    QString message;
    if (EditName->text().isEmpty()) {
        message += StringEnterName + QLatin1Char('\r');
    }
    if (EditLogin->text().isEmpty()) {
        message += StringEnterLogin + QLatin1Char('\r');
    }
    if (EditPassword->text().isEmpty()) {
        message += StringEnterPassword;
        if (crAfterPassword) {
            message += QLatin1Char('\r');
        }
    }
    return message;
}

std::optional<core::PasswordEntry> TEntryDialog::Entry() {
    const std::pair<QLineEdit*, QLabel*> edits[] = {{EditName, LabelName},
                                                    {EditLogin, LabelLogin},
                                                    {EditPassword, LabelPassword},
                                                    {nullptr, LabelCat},
                                                    {EditUrl, LabelUrl},
                                                    {EditComments, LabelComments},
                                                    {EditPin, LabelPin},
                                                    {EditCreditCard, LabelCreditCard},
                                                    {EditSoftwareSerial, LabelSoftwareSerial}};
    core::PasswordEntry entry;
    for (int f = 0; f < core::kFieldCount; ++f) {
        if (f == core::Category) {
            // A name from the category file is held to the same rules as a typed one.
            entry[f] = ComboBoxCat->currentIndex() >= 0 ? ComboBoxCat->currentData().toByteArray()
                                                        : QByteArray();
            if (!storableBytes(session_, entry[f], texts_.cannotStore, LabelCat->text())) {
                ComboBoxCat->setFocus();
                return std::nullopt;
            }
            continue;
        }
        const std::optional<QByteArray> text = storableText(
            session_, edits[f].first->text(), texts_.cannotStore, edits[f].second->text());
        if (!text) {
            edits[f].first->setFocus();
            return std::nullopt;
        }
        entry[f] = *text;
    }
    return entry;
}

void TEntryDialog::AppendCommonTargets(language::Targets& t, const char* form,
                                       const char* groupBox) {
    const QByteArray f(form);
    auto key = [&f](const char* rest) {
        // The keys live as long as the target list; keep their bytes here.
        return f + "->" + rest;
    };
    auto caption = [&](const char* rest, auto* widget) {
        language::Target target = language::caption("", widget);
        target.key = key(rest);
        return target;
    };
    language::Target window = language::windowCaption("", this);
    window.key = f + "->Caption";
    t.push_back(window);
    t.push_back(caption(groupBox, GroupBox));
    t.push_back(caption("LabelName->Caption", LabelName));
    t.push_back(caption("LabelLogin->Caption", LabelLogin));
    t.push_back(caption("LabelPassword->Caption", LabelPassword));
    t.push_back(caption("LabelUrl->Caption", LabelUrl));
    t.push_back(caption("LabelCat->Caption", LabelCat));
    t.push_back(caption("LabelComments->Caption", LabelComments));
    t.push_back(caption("LabelPin->Caption", LabelPin));
    t.push_back(caption("LabelCreditCard->Caption", LabelCreditCard));
    t.push_back(caption("LabelSoftwareSerial->Caption", LabelSoftwareSerial));
}

void TEntryDialog::AppendGeneratorAndMessages(language::Targets& t, const char* form) {
    const QByteArray f(form);
    language::Target target = language::caption("", ButtonPassGen);
    target.key = f + "->ButtonPassGen->Caption";
    t.push_back(target);
    target = language::caption("", ButtonNewCat);
    target.key = f + "->ButtonNewCat->Caption";
    t.push_back(target);
    for (auto [name, text] : {std::pair<const char*, QString*>{"StringEnterName", &StringEnterName},
                              {"StringEnterLogin", &StringEnterLogin},
                              {"StringEnterPassword", &StringEnterPassword}}) {
        target = language::text("", *text);
        target.key = f + "->" + name;
        t.push_back(target);
    }
}

// ---- Add ---------------------------------------------------------------------

TFormAdd::TFormAdd(session::UserSession& session, EntryDialogTexts& texts, QWidget* parent)
    : TEntryDialog(session, texts, false, parent) {
    setObjectName(QStringLiteral("FormAdd"));
}

void TFormAdd::ButtonOkClick() {
    // The dialog's categories reach the file on every OK, before any check.
    WriteCategoryFile();
    if (!RequiredFieldsFilled()) {
        platform::ui().showMessage(EmptyFieldMessage(true));
        return;
    }
    const std::optional<core::PasswordEntry> entry = Entry();
    if (!entry) {
        return;
    }
    // Not stored: the dialog stays open with the entry, and OK can be
    // pressed again without storing it twice.
    session_.addEntry(*entry);
    Q_EMIT added(ComboBoxCat->currentIndex() < 0 ? QByteArray()
                                                 : ComboBoxCat->currentData().toByteArray());
    accept();
}

void TFormAdd::AppendLanguageTargets(language::Targets& t) {
    using language::caption;
    using language::text;
    AppendCommonTargets(t, "FormAdd", "GroupBoxAdd->Caption");
    t.push_back(caption("FormAdd->ButtonOk->Caption", ButtonOk));
    t.push_back(caption("FormAdd->ButtonCancel->Caption", ButtonCancel));
    AppendGeneratorAndMessages(t, "FormAdd");
    t.push_back(text("FormAdd->StringNewCategory", texts_.newCategory));
    t.push_back(text("FormAdd->StringEnterCatTitle", texts_.enterCatTitle));
}

// ---- Edit --------------------------------------------------------------------

TFormEdit::TFormEdit(session::UserSession& session, EntryDialogTexts& texts, QWidget* parent)
    : TEntryDialog(session, texts, true, parent) {
    setObjectName(QStringLiteral("FormEdit"));
}

void TFormEdit::ButtonOkClick() {
    if (!RequiredFieldsFilled()) {
        platform::ui().showMessage(EmptyFieldMessage(false));
        return;
    }
    const std::optional<core::PasswordEntry> entry = Entry();
    if (!entry || EntryIndex < 0 || EntryIndex >= session_.entries().size()) {
        return;
    }
    session_.replaceEntry(EntryIndex, *entry);
    Q_EMIT edited();
    accept();
}

void TFormEdit::AppendLanguageTargets(language::Targets& t) {
    AppendCommonTargets(t, "FormEdit", "GroupBoxEdit->Caption");
    AppendGeneratorAndMessages(t, "FormEdit");
}
