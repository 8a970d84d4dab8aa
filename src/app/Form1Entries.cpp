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

void TForm1::AAddExecute() {
    if (!FilesCurrent()) {
        return;
    }
    LoadLanguage(Settings.language);
    for (QLineEdit* e : {ui.FormAdd->EditName, ui.FormAdd->EditLogin, ui.FormAdd->EditUrl,
                         ui.FormAdd->EditComments, ui.FormAdd->EditPin, ui.FormAdd->EditCreditCard,
                         ui.FormAdd->EditSoftwareSerial}) {
        e->clear();
    }
    ui.FormAdd->FillCategories();
    ui.FormAdd->ComboBoxCat->setCurrentIndex(SelectedCategoryIndex > 0 ? SelectedCategoryIndex - 1
                                                                       : 0);
    ui.FormAdd->ShowPasswordMasked(HidePasswords);
    ui.FormAdd->EditPassword->setText(QString::fromLatin1(core::generatePassword()));
    ui.FormAdd->EditName->setFocus();
    platform::ui().showModal(ui.FormAdd);
    ShowCounts();
}

void TForm1::AEditExecute() {
    if (SelectedRows().isEmpty()) {
        platform::ui().showMessage(texts.StringSelectField);
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
    const EntryRow& row = ui.ListModel->row(rows.first());
    const int index = FindEntryIndex(rows.first());
    if (index < 0) {
        return;
    }
    ui.FormEdit->EntryIndex = index;
    ui.FormEdit->EditName->setText(session_.text(row.field(core::Title)));
    ui.FormEdit->EditLogin->setText(session_.text(row.field(core::Login)));
    if (HidePasswords) {
        ui.FormEdit->EditPassword->setText(session_.text(EntryPassword(index)));
    } else {
        ui.FormEdit->EditPassword->setText(session_.text(row.field(core::Password)));
    }
    ui.FormEdit->ShowPasswordMasked(HidePasswords);
    ui.FormEdit->FillCategories();
    ui.FormEdit->ComboBoxCat->setCurrentIndex(-1);
    const QByteArray category = row.field(core::Category);
    for (int i = 0; i < ui.FormEdit->ComboBoxCat->count(); ++i) {
        if (ui.FormEdit->ComboBoxCat->itemData(i).toByteArray() == category) {
            ui.FormEdit->ComboBoxCat->setCurrentIndex(i);  // the last equal one stays
        }
    }
    ui.FormEdit->EditUrl->setText(session_.text(row.field(core::Link)));
    ui.FormEdit->EditComments->setText(session_.text(row.field(core::Comments)));
    ui.FormEdit->EditPin->setText(session_.text(row.field(core::PinCode)));
    ui.FormEdit->EditCreditCard->setText(session_.text(row.field(core::CreditCard)));
    ui.FormEdit->EditSoftwareSerial->setText(session_.text(row.field(core::SoftwareSerial)));
    ui.FormEdit->EditName->setFocus();
    platform::ui().showModal(ui.FormEdit);
}

void TForm1::ADeleteExecute() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) {
        platform::ui().showMessage(texts.StringSelectField);
        return;
    }
    if (platform::ui().askOkCancel(texts.StringDeleteAsk, texts.StringDeleteTitle)) {
        // Exactly the lines the selected rows were built from, in one pass.
        session_.deleteEntries(ui.ListModel->removeRowsWithEntries(rows));
    }
    RefreshCategoryCaptions();
    ui.StatusPanels[0]->setText(texts.StringPasswords + QString::number(session_.entries().size()));
}
