#include "app/LockedView.h"

#include <QComboBox>
#include <QHash>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "app/Form1.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"

LockedView::LockedView(TForm1& form) : form_(form) {
    category_ = std::max(0, form.SelectedNodeIndex());
    search_ = form.ui.EditSearch->text();
    const EntryListModel& model = *form.ui.ListModel;
    shown_.reserve(size_t(model.rowCount()));
    for (int r = 0; r < model.rowCount(); ++r) {
        shown_.push_back(model.row(r).entry);
    }
    for (int r : form.SelectedRows()) {
        selected_.append(model.row(r).entry);
    }
    if (form.CurrentEntry.isValid()) {
        current_ = model.row(form.CurrentEntry.row()).entry;
    }

    form.CurrentEntry = QPersistentModelIndex();
    form.ui.ListModel->clear();
    {
        const QSignalBlocker quiet(form.ui.EditSearch);
        form.ui.EditSearch->clear();
    }
    form.ui.TreeViewCat->clear();
    for (QLabel* panel : form.ui.StatusPanels) {
        panel->clear();
    }
    for (TEntryDialog* dialog : {static_cast<TEntryDialog*>(form.ui.FormAdd),
                                 static_cast<TEntryDialog*>(form.ui.FormEdit)}) {
        if (dialog) {
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
                edit->clear();
            }
            dialog->ComboBoxCat->clear();
        }
    }
}

void LockedView::restore(bool sameVault) {
    TForm1& form = form_;
    form.ShowCategories();
    form.SelectNode(category_);
    form.FillEntryList();
    // The rows come back in the order they were shown (a column sort included).
    EntryListModel& model = *form.ui.ListModel;
    QHash<int, int> rowOf;
    rowOf.reserve(model.rowCount());
    for (int r = 0; r < model.rowCount(); ++r) {
        rowOf.insert(model.row(r).entry, r);
    }
    if (!sameVault) {
        shown_.clear();
        selected_.clear();
        current_ = -1;
    }
    if (size_t(model.rowCount()) == shown_.size()) {
        std::vector<int> order;
        order.reserve(shown_.size());
        for (int entry : shown_) {
            order.push_back(rowOf.value(entry, -1));
        }
        if (std::find(order.begin(), order.end(), -1) == order.end()) {
            model.reorder(order);
            for (int r = 0; r < model.rowCount(); ++r) {
                rowOf.insert(model.row(r).entry, r);
            }
        }
    }
    {
        const QSignalBlocker quiet(form.ui.EditSearch);
        form.ui.EditSearch->setText(search_);
    }
    QItemSelectionModel* selection = form.ui.ListView1->selectionModel();
    for (int entry : selected_) {
        if (rowOf.contains(entry)) {
            selection->select(model.index(rowOf.value(entry), 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    if (rowOf.contains(current_)) {
        const QModelIndex index = model.index(rowOf.value(current_), 0);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        form.CurrentEntry = index;
    }
}
