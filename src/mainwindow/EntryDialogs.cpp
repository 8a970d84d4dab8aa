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

#include "localization/LanguageTargets.h"
#include "mainwindow/ListView.h"
#include "mainwindow/SecretClipboard.h"
#include "platform/CodePage.h"
#include "platform/Guard.h"
#include "platform/SecretField.h"
#include "platform/TextList.h"
#include "platform/Widgets.h"

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

}  // namespace

TEntryDialog::TEntryDialog(TForm1& form1, bool editing)
    : QDialog(&form1, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      form1_(form1) {
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
                               [this](const QString& text) { form1_.Clipboard->copy(text); });
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
    EditPassword->setText(QString::fromLatin1(form1_.GeneratePassword()));
}

void TEntryDialog::ButtonUrlClick() {
    form1_.PMOpenUrlClick();
}

void TEntryDialog::FillCategories() {
    ComboBoxCat->clear();
    for (int i = 1; i < form1_.CategoryList.size(); ++i) {
        // The item keeps the stored bytes, so writing the list back never
        // changes a name the code page cannot show.
        ComboBoxCat->addItem(platform::toUi(form1_.CategoryList[i], form1_.StorageEncoding()),
                             form1_.CategoryList[i]);
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
    std::optional<core::UserStore::Merged> merged;
    form1_.StoreWrite([&] { merged = form1_.Store->writeCategories(names); });
    if (merged) {
        // Names from elsewhere join the dialog too, so its next write keeps them.
        const QByteArray chosen = ComboBoxCat->currentData().toByteArray();
        const bool any = ComboBoxCat->currentIndex() >= 0;
        form1_.TakeMerged(std::nullopt, merged);
        FillCategories();
        ComboBoxCat->setCurrentIndex(any ? ComboBoxCat->findData(chosen) : -1);
    }
}

void TEntryDialog::ButtonNewCatClick() {
    QString text;
    const QString& title = form1_.FormAdd->StringNewCategory;
    const QString& prompt = form1_.FormAdd->StringEnterCatTitle;
    std::optional<QByteArray> name;
    while (!name) {
        if (!platform::ui().inputQuery(title, prompt, text)) {
            return;
        }
        name = form1_.StorableText(text);
    }
    ComboBoxCat->addItem(text, *name);
    ComboBoxCat->setCurrentIndex(ComboBoxCat->count() - 1);
    form1_.CategoryList.append(*name);
    form1_.TreeViewCat->topLevelItem(0)->addChild(
        new QTreeWidgetItem(QStringList{text + QStringLiteral(" (0)")}));
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
            if (!form1_.StorableBytes(entry[f], LabelCat->text())) {
                ComboBoxCat->setFocus();
                return std::nullopt;
            }
            continue;
        }
        const std::optional<QByteArray> text =
            form1_.StorableText(edits[f].first->text(), edits[f].second->text());
        if (!text) {
            edits[f].first->setFocus();
            return std::nullopt;
        }
        entry[f] = *text;
    }
    return entry;
}

void TEntryDialog::AppendCommonTargets(std::vector<TForm1::LanguageTarget>& t, const char* form,
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

void TEntryDialog::AppendGeneratorAndMessages(std::vector<TForm1::LanguageTarget>& t,
                                              const char* form) {
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

TFormAdd::TFormAdd(TForm1& form1) : TEntryDialog(form1, false) {
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
    const QByteArray line = core::EncodeRecord(*entry);
    form1_.PasswordList.append(line);
    try {
        form1_.SavePasswords();
    } catch (...) {
        // Not stored: the dialog stays open with the entry, and OK can be
        // pressed again without storing it twice.
        form1_.PasswordList.removeAt(form1_.PasswordList.lastIndexOf(line));
        throw;
    }
    form1_.RefreshCategoryCaptions();
    // By name: a merge may have moved the category in the list.
    const int node =
        ComboBoxCat->currentIndex() < 0
            ? 0
            : int(form1_.CategoryList.indexOf(ComboBoxCat->currentData().toByteArray(), 1));
    form1_.SelectNode(std::max(node, 0));
    form1_.TreeViewCatClick();
    accept();
}

void TFormAdd::AppendLanguageTargets(std::vector<TForm1::LanguageTarget>& t) {
    using language::caption;
    using language::text;
    AppendCommonTargets(t, "FormAdd", "GroupBoxAdd->Caption");
    t.push_back(caption("FormAdd->ButtonOk->Caption", ButtonOk));
    t.push_back(caption("FormAdd->ButtonCancel->Caption", ButtonCancel));
    AppendGeneratorAndMessages(t, "FormAdd");
    t.push_back(text("FormAdd->StringNewCategory", StringNewCategory));
    t.push_back(text("FormAdd->StringEnterCatTitle", StringEnterCatTitle));
}

// ---- Edit --------------------------------------------------------------------

TFormEdit::TFormEdit(TForm1& form1) : TEntryDialog(form1, true) {
    setObjectName(QStringLiteral("FormEdit"));
}

void TFormEdit::ButtonOkClick() {
    if (!RequiredFieldsFilled()) {
        platform::ui().showMessage(EmptyFieldMessage(false));
        return;
    }
    const std::optional<core::PasswordEntry> entry = Entry();
    if (!entry) {
        return;
    }
    if (EntryIndex < 0 || EntryIndex >= form1_.PasswordList.size()) {
        return;
    }
    const QByteArray previous = form1_.PasswordList[EntryIndex];
    form1_.PasswordList[EntryIndex] = core::EncodeRecord(*entry);
    try {
        form1_.SavePasswords();
    } catch (...) {
        form1_.PasswordList[EntryIndex] = previous;
        throw;
    }
    form1_.RefreshCategoryCaptions();
    form1_.FillEntryList();
    accept();
}

void TFormEdit::AppendLanguageTargets(std::vector<TForm1::LanguageTarget>& t) {
    AppendCommonTargets(t, "FormEdit", "GroupBoxEdit->Caption");
    AppendGeneratorAndMessages(t, "FormEdit");
}
