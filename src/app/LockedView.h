#pragma once

#include <QList>
#include <QString>
#include <vector>

class TForm1;

// While the program is locked no widget holds anything of the vault:
// assistive technologies let any program of the desktop read widgets. What
// the view showed is kept here as entry indexes (and the typed search), and
// comes back at unlock as it was.
class LockedView {
public:
    // Empties the tree, the list, the search box, the status bar and the
    // entry dialogs' fields.
    explicit LockedView(TForm1& form);
    // Rebuilds them from the session: the same category and search text,
    // and where the vault is the one the lock left, the same order and
    // selection.
    void restore(bool sameVault);
    bool unlocking = false;

private:
    TForm1& form_;
    int category_ = 0;
    QString search_;
    std::vector<int> shown_;  // entry indexes, top to bottom
    QList<int> selected_;     // entry indexes
    int current_ = -1;        // entry index of the current row
};
