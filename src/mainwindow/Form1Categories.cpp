// The category tree and its commands.
#include <QMenu>
#include <QTreeWidget>

#include "app/Form1.h"
#include "core/StoredText.h"
#include "mainwindow/ListView.h"
#include "platform/CodePage.h"

QTreeWidgetItem* TForm1::CategoryNode(int absoluteIndex) const {
    QTreeWidgetItem* root = TreeViewCat->topLevelItem(0);
    if (!root || absoluteIndex < 0) {
        return nullptr;
    }
    return absoluteIndex == 0 ? root : root->child(absoluteIndex - 1);
}

int TForm1::SelectedNodeIndex() const {
    const QList<QTreeWidgetItem*> selected = TreeViewCat->selectedItems();
    if (selected.isEmpty()) {
        return -1;
    }
    QTreeWidgetItem* item = selected.first();
    QTreeWidgetItem* parent = item->parent();
    return parent ? parent->indexOfChild(item) + 1 : 0;
}

void TForm1::SelectNode(int absoluteIndex) {
    if (QTreeWidgetItem* node = CategoryNode(absoluteIndex)) {
        TreeViewCat->setCurrentItem(node);
    }
}

void TForm1::RefreshCategoryCaptions() {
    QTreeWidgetItem* root = TreeViewCat->topLevelItem(0);
    if (!root) {
        return;
    }
    root->setText(0, NodeCaption(0, int(PasswordList.size())));
    const QList<int> counts = core::categoryCounts(PasswordList, CategoryList.mid(1));
    for (int i = 1; i < CategoryList.size() && i - 1 < root->childCount(); ++i) {
        root->child(i - 1)->setText(0, NodeCaption(i, counts[i - 1]));
    }
}

void TForm1::TreeViewCatClick() {
    SelectedCategoryIndex = SelectedNodeIndex();
    FillEntryList();
}

void TForm1::TreeViewCatContextPopup(const QPoint& pos) {
    if (QTreeWidgetItem* item = TreeViewCat->itemAt(pos)) {
        TreeViewCat->setCurrentItem(item);
    }
    PopupMenu2->popup(TreeViewCat->viewport()->mapToGlobal(pos));
}

namespace {

void showCannotStore(const QString& text, QChar bad, const QString& what) {
    const QString code =
        QStringLiteral("U+%1").arg(uint(bad.unicode()), 4, 16, QLatin1Char('0')).toUpper();
    const QString character =
        bad.isPrint() ? QStringLiteral("\"%1\" (%2)").arg(QString(bad), code) : code;
    QString message = text;
    message.replace(QLatin1String("%1"), character);
    if (!what.isEmpty()) {
        message = what + QLatin1Char(' ') + message;
    }
    platform::ui().showMessage(message);
}

}  // namespace

std::optional<QByteArray> TForm1::StorableText(const QString& text, const QString& what) {
    const platform::Encoding encoding = StorageEncoding();
    if (const std::optional<QChar> bad = core::forbiddenStoredCharacter(text, encoding)) {
        showCannotStore(StringCannotStore, *bad, what);
        return std::nullopt;
    }
    return platform::fromUi(text, encoding);
}

bool TForm1::StorableBytes(const QByteArray& bytes, const QString& what) {
    if (const std::optional<QChar> bad = core::forbiddenStoredBytes(bytes, StorageEncoding())) {
        showCannotStore(StringCannotStore, *bad, what);
        return false;
    }
    return true;
}

void TForm1::MCatNewClick() {
    QString text = StringNewCategory;
    while (platform::ui().inputQuery(StringNewCategory, StringInputTitle, text)) {
        const std::optional<QByteArray> name = StorableText(text);
        if (!name) {
            continue;
        }
        CategoryList.append(*name);
        const int k = int(CategoryList.size()) - 1;
        TreeViewCat->topLevelItem(0)->addChild(
            new QTreeWidgetItem(QStringList{NodeCaption(k, CategoryCount(k))}));
        break;
    }
    // Confirmed or not, the root's last child is selected; the list stays.
    QTreeWidgetItem* root = TreeViewCat->topLevelItem(0);
    if (root && root->childCount() > 0) {
        TreeViewCat->setCurrentItem(root->child(root->childCount() - 1));
    }
}

void TForm1::MCatRenameClick() {
    const int k = SelectedNodeIndex();
    if (k <= 0) {
        return;
    }
    QString text = CategoryName(k);
    while (platform::ui().inputQuery(StringChangeCategory, StringInputTitle, text)) {
        const std::optional<QByteArray> name = StorableText(text);
        if (!name) {
            continue;
        }
        CategoryList[k] = *name;
        CategoryNode(k)->setText(0, NodeCaption(k, CategoryCount(k)));
        return;
    }
}

void TForm1::MCatDeleteClick() {
    const int k = SelectedNodeIndex();
    if (k <= 0) {
        return;
    }
    QTreeWidgetItem* root = TreeViewCat->topLevelItem(0);
    CategoryList.removeAt(k);
    delete root->takeChild(k - 1);
    // A neighbour takes the selection: the next category, else the previous, else the root.
    if (k - 1 < root->childCount()) {
        TreeViewCat->setCurrentItem(root->child(k - 1));
    } else if (root->childCount() > 0) {
        TreeViewCat->setCurrentItem(root->child(root->childCount() - 1));
    } else {
        TreeViewCat->setCurrentItem(root);
    }
    TreeViewCatClick();
}
