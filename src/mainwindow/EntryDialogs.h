#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "core/PasswordEntry.h"
#include "localization/LanguageTarget.h"

namespace session {
class UserSession;
}

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Texts the entry dialogs share with the main window.
struct EntryDialogTexts {
    // Why a typed text cannot be stored; "%1" names the character. Read from
    // the language file's "Messages" section when it has one.
    QString cannotStore = QStringLiteral("The character %1 cannot be stored.");
    // The new-category box of both dialogs (the add dialog's keys).
    QString newCategory;
    QString enterCatTitle;
};

// The add and edit dialogs: one layout, nine fields in stored order. They
// work on the session; the main window shows what they changed.
class TEntryDialog : public QDialog {
    Q_OBJECT

public:
    TEntryDialog(session::UserSession& session, EntryDialogTexts& texts, bool editing,
                 QWidget* parent);

    QGroupBox* GroupBox = nullptr;  // GroupBoxAdd or GroupBoxEdit
    QLabel* LabelName = nullptr;
    QLabel* LabelLogin = nullptr;
    QLabel* LabelPassword = nullptr;
    QLabel* LabelCat = nullptr;
    QLabel* LabelUrl = nullptr;
    QLabel* LabelComments = nullptr;
    QLabel* LabelPin = nullptr;
    QLabel* LabelCreditCard = nullptr;
    QLabel* LabelSoftwareSerial = nullptr;
    QLineEdit* EditName = nullptr;
    QLineEdit* EditLogin = nullptr;
    QLineEdit* EditPassword = nullptr;
    QComboBox* ComboBoxCat = nullptr;
    QLineEdit* EditUrl = nullptr;
    QLineEdit* EditComments = nullptr;
    QLineEdit* EditPin = nullptr;
    QLineEdit* EditCreditCard = nullptr;
    QLineEdit* EditSoftwareSerial = nullptr;
    QPushButton* ButtonPassGen = nullptr;
    QPushButton* ButtonNewCat = nullptr;
    QPushButton* ButtonUrl = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

    QString StringEnterName;
    QString StringEnterLogin;
    QString StringEnterPassword;

    virtual void ButtonOkClick() = 0;
    void ButtonCancelClick();
    void ButtonPassGenClick();
    void ButtonNewCatClick();
    void ButtonUrlClick();

    // The combo's categories: the stored names, as the user knows them.
    void FillCategories();
    void ShowPasswordMasked(bool masked);
    // The nine fields as they go into the stored line; nothing when a field
    // holds what the line cannot carry (the reason was shown).
    std::optional<core::PasswordEntry> Entry();
    // The empty-field message; the edit dialog ends it without a CR.
    QString EmptyFieldMessage(bool crAfterPassword) const;
    bool RequiredFieldsFilled() const;
    // Sizes the dialog to its texts.
    void FitToTexts();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void WriteCategoryFile();
    void AppendCommonTargets(language::Targets& t, const char* form, const char* groupBox);
    // The generator and new-category buttons, then the three messages.
    void AppendGeneratorAndMessages(language::Targets& t, const char* form);

    session::UserSession& session_;
    EntryDialogTexts& texts_;

Q_SIGNALS:
    // A password copied from the password field (marked secret).
    void secretCopied(const QString& text);
    // A category made with New: it is the last one of the session's.
    void categoryAdded();
    void openLinkRequested();
};

class TFormAdd : public TEntryDialog {
    Q_OBJECT

public:
    TFormAdd(session::UserSession& session, EntryDialogTexts& texts, QWidget* parent);
    void ButtonOkClick() override;
    void AppendLanguageTargets(language::Targets& t);

Q_SIGNALS:
    // The entry was stored, with this category (stored bytes; empty: none).
    void added(const QByteArray& category);
};

class TFormEdit : public TEntryDialog {
    Q_OBJECT

public:
    TFormEdit(session::UserSession& session, EntryDialogTexts& texts, QWidget* parent);
    void ButtonOkClick() override;
    void AppendLanguageTargets(language::Targets& t);

    int EntryIndex = -1;  // the stored entry being edited

Q_SIGNALS:
    void edited();
};
