#include "mainwindow/ListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

TListView::TListView(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("ListView1"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setSortIndicatorShown(false);
    // Keep the selection drawn when the list loses the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

void TListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        Q_EMIT deletePressed();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        Q_EMIT doubleClickedAnywhere();
    }
}

TTreeViewCat::TTreeViewCat(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("TreeViewCat"));
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setExpandsOnDoubleClick(false);
    setItemsExpandable(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

QItemSelectionModel::SelectionFlags TTreeViewCat::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
    if (!index.isValid()) {
        return QItemSelectionModel::NoUpdate;
    }
    const QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, event);
    if (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) {
        return selectionModel()->isSelected(index)
                   ? QItemSelectionModel::NoUpdate
                   : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }
    return flags;
}

void TTreeViewCat::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (afterDoubleClick_) {
        afterDoubleClick_ = false;
        return;
    }
    // A click on empty space chooses nothing, so the list stays as it is.
    if (itemAt(event->position().toPoint())) {
        Q_EMIT clickedAnywhere();
    }
}

void TTreeViewCat::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        afterDoubleClick_ = true;
        Q_EMIT doubleClickedAnywhere();
    }
}
