#pragma once

#include <QTreeView>
#include <QTreeWidget>

// The entry list: report style with headers, several rows selectable, whole
// rows selected, the selection drawn also without the focus, no editing.
class TListView : public QTreeView {
    Q_OBJECT

public:
    explicit TListView(QWidget* parent = nullptr);

Q_SIGNALS:
    void deletePressed();        // the Delete key
    void copyPasswordPressed();  // Ctrl+C on a cell of the Password column
    void doubleClickedAnywhere();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The context menu asked for from the keyboard opens at the current row.
    void contextMenuAtCurrentRow();
};

// The category tree: a root and one level of categories, read-only.
class TTreeViewCat : public QTreeWidget {
    Q_OBJECT

public:
    explicit TTreeViewCat(QWidget* parent = nullptr);

Q_SIGNALS:
    void clickedAnywhere();  // a left click on a node, after its selection
    void doubleClickedAnywhere();

protected:
    // Exactly one node stays selected: presses on empty space and attempts
    // to deselect (Ctrl+click, Ctrl+Space) change nothing.
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex& index, const QEvent* event = nullptr) const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool afterDoubleClick_ = false;
};
