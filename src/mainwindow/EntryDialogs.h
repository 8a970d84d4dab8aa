#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "app/Form1.h"
#include "core/PasswordEntry.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The add and edit dialogs: one layout, nine fields in stored order.
class TEntryDialog : public QDialog {
    Q_OBJECT

public:
    TEntryDialog(TForm1& form1, bool editing);

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
    void AppendCommonTargets(std::vector<TForm1::LanguageTarget>& t, const char* form,
                             const char* groupBox);
    // The generator and new-category buttons, then the three messages.
    void AppendGeneratorAndMessages(std::vector<TForm1::LanguageTarget>& t, const char* form);

    TForm1& form1_;
};

class TFormAdd : public TEntryDialog {
    Q_OBJECT

public:
    explicit TFormAdd(TForm1& form1);
    void ButtonOkClick() override;
    void AppendLanguageTargets(std::vector<TForm1::LanguageTarget>& t);

    QString StringNewCategory;
    QString StringEnterCatTitle;
};

class TFormEdit : public TEntryDialog {
    Q_OBJECT

public:
    explicit TFormEdit(TForm1& form1);
    void ButtonOkClick() override;
    void AppendLanguageTargets(std::vector<TForm1::LanguageTarget>& t);

    int EntryIndex = -1;  // the stored entry being edited
};
