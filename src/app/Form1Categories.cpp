// The category tree and its commands.
#include <QMenu>
#include <QTreeWidget>

#include "app/Form1.h"
#include "mainwindow/ListView.h"
#include "mainwindow/StorableText.h"

QTreeWidgetItem* TForm1::CategoryNode(int absoluteIndex) const {
    QTreeWidgetItem* root = ui.TreeViewCat->topLevelItem(0);
    if (!root || absoluteIndex < 0) {
        return nullptr;
    }
    return absoluteIndex == 0 ? root : root->child(absoluteIndex - 1);
}

int TForm1::SelectedNodeIndex() const {
    const QList<QTreeWidgetItem*> selected = ui.TreeViewCat->selectedItems();
    if (selected.isEmpty()) {
        return -1;
    }
    QTreeWidgetItem* item = selected.first();
    QTreeWidgetItem* parent = item->parent();
    return parent ? parent->indexOfChild(item) + 1 : 0;
}

void TForm1::SelectNode(int absoluteIndex) {
    if (QTreeWidgetItem* node = CategoryNode(absoluteIndex)) {
        ui.TreeViewCat->setCurrentItem(node);
    }
}

void TForm1::RefreshCategoryCaptions() {
    QTreeWidgetItem* root = ui.TreeViewCat->topLevelItem(0);
    if (!root) {
        return;
    }
    root->setText(0, NodeCaption(0, int(session_.entries().size())));
    const QList<int> counts = core::categoryCounts(session_.entries(), session_.categories());
    for (int i = 1; i <= session_.categories().size() && i - 1 < root->childCount(); ++i) {
        root->child(i - 1)->setText(0, NodeCaption(i, counts[i - 1]));
    }
}

void TForm1::TreeViewCatClick() {
    SelectedCategoryIndex = SelectedNodeIndex();
    FillEntryList();
}

void TForm1::TreeViewCatContextPopup(const QPoint& pos) {
    if (QTreeWidgetItem* item = ui.TreeViewCat->itemAt(pos)) {
        ui.TreeViewCat->setCurrentItem(item);
    }
    ui.PopupMenu2->popup(ui.TreeViewCat->viewport()->mapToGlobal(pos));
}

std::optional<QByteArray> TForm1::StorableText(const QString& text, const QString& what) {
    return storableText(session_, text, texts.EntryDialogs.cannotStore, what);
}

void TForm1::MCatNewClick() {
    QString text = texts.StringNewCategory;
    while (platform::ui().inputQuery(texts.StringNewCategory, texts.StringInputTitle, text)) {
        const std::optional<QByteArray> name = StorableText(text);
        if (!name) {
            continue;
        }
        session_.addCategory(*name);
        const int k = int(session_.categories().size());
        auto* node =
            new QTreeWidgetItem(QStringList{NodeCaption(k, session_.categoryCount(k - 1))});
        node->setData(0, Qt::UserRole, *name);
        ui.TreeViewCat->topLevelItem(0)->addChild(node);
        break;
    }
    // Confirmed or not, the root's last child is selected; the list stays.
    QTreeWidgetItem* root = ui.TreeViewCat->topLevelItem(0);
    if (root && root->childCount() > 0) {
        ui.TreeViewCat->setCurrentItem(root->child(root->childCount() - 1));
    }
}

void TForm1::MCatRenameClick() {
    const int k = SelectedNodeIndex();
    if (k <= 0) {
        return;
    }
    QString text = CategoryName(k);
    while (platform::ui().inputQuery(texts.StringChangeCategory, texts.StringInputTitle, text)) {
        const std::optional<QByteArray> name = StorableText(text);
        if (!name) {
            continue;
        }
        session_.renameCategory(k - 1, *name);
        CategoryNode(k)->setText(0, NodeCaption(k, session_.categoryCount(k - 1)));
        CategoryNode(k)->setData(0, Qt::UserRole, *name);
        return;
    }
}

void TForm1::MCatDeleteClick() {
    const int k = SelectedNodeIndex();
    if (k <= 0) {
        return;
    }
    QTreeWidgetItem* root = ui.TreeViewCat->topLevelItem(0);
    session_.deleteCategory(k - 1);
    delete root->takeChild(k - 1);
    // A neighbour takes the selection: the next category, else the previous, else the root.
    if (k - 1 < root->childCount()) {
        ui.TreeViewCat->setCurrentItem(root->child(k - 1));
    } else if (root->childCount() > 0) {
        ui.TreeViewCat->setCurrentItem(root->child(root->childCount() - 1));
    } else {
        ui.TreeViewCat->setCurrentItem(root);
    }
    TreeViewCatClick();
}
