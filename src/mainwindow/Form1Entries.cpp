// Adding, editing and deleting entries.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "app/Form1.h"
#include "core/Generator.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"
#include "platform/CodePage.h"

QByteArray TForm1::GeneratePassword() const {
    return core::generatePassword();
}

void TForm1::AAddExecute() {
    if (!FilesCurrent()) {
        return;
    }
    LoadLanguage(Settings.language);
    for (QLineEdit* e :
         {FormAdd->EditName, FormAdd->EditLogin, FormAdd->EditUrl, FormAdd->EditComments,
          FormAdd->EditPin, FormAdd->EditCreditCard, FormAdd->EditSoftwareSerial}) {
        e->clear();
    }
    FormAdd->FillCategories();
    FormAdd->ComboBoxCat->setCurrentIndex(SelectedCategoryIndex > 0 ? SelectedCategoryIndex - 1
                                                                    : 0);
    FormAdd->ShowPasswordMasked(HidePasswords);
    FormAdd->EditPassword->setText(QString::fromLatin1(GeneratePassword()));
    FormAdd->EditName->setFocus();
    platform::ui().showModal(FormAdd);
    ShowCounts();
}

void TForm1::AEditExecute() {
    if (SelectedRows().isEmpty()) {
        platform::ui().showMessage(StringSelectField);
        return;
    }
    ShowEditDialog();
}

void TForm1::ListView1DblClick() {
    if (!SelectedRows().isEmpty()) {
        ShowEditDialog();
    }
}

void TForm1::ShowEditDialog() {
    if (!FilesCurrent()) {
        return;
    }
    LoadLanguage(Settings.language);
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) {
        return;
    }
    const EntryRow& row = ListModel->row(rows.first());
    const int index = FindEntryIndex(rows.first());
    if (index < 0) {
        return;
    }
    FormEdit->EntryIndex = index;
    FormEdit->EditName->setText(platform::toUi(row.field(core::Title), StorageEncoding()));
    FormEdit->EditLogin->setText(platform::toUi(row.field(core::Login), StorageEncoding()));
    if (HidePasswords) {
        FormEdit->EditPassword->setText(platform::toUi(EntryPassword(index), StorageEncoding()));
    } else {
        FormEdit->EditPassword->setText(
            platform::toUi(row.field(core::Password), StorageEncoding()));
    }
    FormEdit->ShowPasswordMasked(HidePasswords);
    FormEdit->FillCategories();
    FormEdit->ComboBoxCat->setCurrentIndex(-1);
    const QByteArray category = row.field(core::Category);
    for (int i = 0; i < FormEdit->ComboBoxCat->count(); ++i) {
        if (FormEdit->ComboBoxCat->itemData(i).toByteArray() == category) {
            FormEdit->ComboBoxCat->setCurrentIndex(i);  // the last equal one stays
        }
    }
    FormEdit->EditUrl->setText(platform::toUi(row.field(core::Link), StorageEncoding()));
    FormEdit->EditComments->setText(platform::toUi(row.field(core::Comments), StorageEncoding()));
    FormEdit->EditPin->setText(platform::toUi(row.field(core::PinCode), StorageEncoding()));
    FormEdit->EditCreditCard->setText(
        platform::toUi(row.field(core::CreditCard), StorageEncoding()));
    FormEdit->EditSoftwareSerial->setText(
        platform::toUi(row.field(core::SoftwareSerial), StorageEncoding()));
    FormEdit->EditName->setFocus();
    platform::ui().showModal(FormEdit);
}

void TForm1::ADeleteExecute() {
    DeleteSelectedEntries();
}

void TForm1::DeleteSelectedEntries() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) {
        platform::ui().showMessage(StringSelectField);
        return;
    }
    if (platform::ui().askOkCancel(StringDeleteAsk, StringDeleteTitle)) {
        // Exactly the lines the selected rows were built from, in one pass.
        const std::vector<int> gone = ListModel->removeRowsWithEntries(rows);
        core::LineList kept;
        kept.reserve(PasswordList.size() - qsizetype(gone.size()));
        size_t g = 0;
        for (int i = 0; i < PasswordList.size(); ++i) {
            if (g < gone.size() && gone[g] == i) {
                ++g;
            } else {
                kept.append(PasswordList[i]);
            }
        }
        PasswordList = std::move(kept);
    }
    RefreshCategoryCaptions();
    StatusPanels[0]->setText(StringPasswords + QString::number(PasswordList.size()));
}
