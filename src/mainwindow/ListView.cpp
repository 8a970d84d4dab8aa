#include "mainwindow/ListView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "core/PasswordEntry.h"

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

bool TListView::event(QEvent* event) {
    if (event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        contextMenuAtCurrentRow();
        event->accept();
        return true;
    }
    return QTreeView::event(event);
}

void TListView::contextMenuAtCurrentRow() {
    const QModelIndex current = currentIndex();
    const QRect row = current.isValid() ? visualRect(current) : QRect();
    const QPoint at =
        row.isValid() && viewport()->rect().intersects(row) ? row.bottomLeft() : QPoint(0, 0);
    Q_EMIT customContextMenuRequested(at);
}

void TListView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    // The keypad's Delete and Shift+Delete delete as well.
    if (event->key() == Qt::Key_Delete &&
        (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
        Q_EMIT deletePressed();
        event->accept();
        return;
    }
    // A password goes to the clipboard the way the copy command puts it
    // there, marked as a secret and forgotten later, never as the cell's text.
    if (event->matches(QKeySequence::Copy) && currentIndex().column() == core::Password) {
        Q_EMIT copyPasswordPressed();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
        contextMenuAtCurrentRow();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TListView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    // Coming in from the keyboard, the current row is selected, so the copy
    // commands have a row to work on; a click selects its own row.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason &&
        reason != Qt::ShortcutFocusReason) {
        return;
    }
    if (!model() || model()->rowCount() == 0 || selectionModel()->hasSelection()) {
        return;
    }
    QModelIndex current = currentIndex();
    if (!current.isValid()) {
        current = model()->index(0, 0);
    }
    selectionModel()->setCurrentIndex(
        current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
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
