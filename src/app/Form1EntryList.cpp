// The entry list: fill, order, search, hidden passwords, widths and font.
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <algorithm>
#include <string_view>

#include "app/Form1.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"
#include "mainwindow/TitleOrder.h"
#include "platform/CodePage.h"
#include "platform/SysUtils.h"
#include "platform/Widgets.h"

namespace {

bool isAscii(const QByteArray& bytes) {
    for (char c : bytes) {
        if (uchar(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool contains(const QByteArray& haystack, const QByteArray& needle) {
    return std::string_view(haystack.constData(), size_t(haystack.size()))
               .find(std::string_view(needle.constData(), size_t(needle.size()))) !=
           std::string_view::npos;
}

// Whether a stored prefix equals an ASCII text without regard to the case of
// ASCII letters: 1 when it does, 0 when not, -1 when the prefix is not ASCII.
int compareAsciiPrefix(const char* stored, qsizetype size, const QByteArray& text) {
    bool equal = size == text.size();
    for (qsizetype i = 0; i < size; ++i) {
        uchar c = uchar(stored[i] ^ core::kScrambleKey);
        if (c >= 0x80) {
            return -1;
        }
        uchar t = uchar(text[i]);
        c = c >= 'a' && c <= 'z' ? uchar(c - 32) : c;
        t = t >= 'a' && t <= 'z' ? uchar(t - 32) : t;
        equal = equal && c == t;
    }
    return equal ? 1 : 0;
}

}  // namespace

void TForm1::FillEntryList() {
    CurrentEntry = QPersistentModelIndex();
    const int node = SelectedNodeIndex();
    std::vector<EntryRow> rows;
    const core::LineList& lines = session_.entries();
    const core::LineList& names = session_.categories();
    const int count = int(lines.size());
    if (node == 0) {
        rows.reserve(size_t(count));
        for (int k = 0; k < count; ++k) {
            rows.push_back(EntryRow::fromStored(lines.at(k), k));
        }
    } else if (node > 0 && node <= names.size() && !names[node - 1].isEmpty()) {
        // Scrambling maps each byte on its own, so the stored line contains the
        // scrambled name exactly when the decoded line contains the name.
        const QByteArray scrambledName = core::Scramble(names[node - 1]);
        for (int k = 0; k < count; ++k) {
            if (contains(lines.at(k), scrambledName)) {
                rows.push_back(EntryRow::fromStored(lines.at(k), k));
            }
        }
    }
    // The rows stay in stored order, as their lines lie in memory; the view
    // shows them in Title order. They share the stored lines, and unscramble
    // a cell only when the view asks for it.
    std::vector<int> order = TitleOrderCache->order(rows, session_.textEncoding());
    ui.ListModel->setEncoding(session_.textEncoding());
    ui.ListModel->setMasked(HidePasswords);
    ui.ListModel->setRows(std::move(rows), std::move(order));
    ShowCounts();
}

void TForm1::ShowCounts() {
    // The categories counted with the root label, as the tree shows them.
    const qsizetype categories = loggedIn() ? session_.categories().size() + 1 : 0;
    ui.StatusPanels[0]->setText(texts.StringPasswords + QString::number(session_.entries().size()));
    ui.StatusPanels[1]->setText(texts.StringCategories + QString::number(categories));
}

int TForm1::FindEntryIndex(int row) const {
    if (row < 0 || row >= ui.ListModel->rowCount()) {
        return -1;
    }
    const int k = ui.ListModel->row(row).entry;
    return k < session_.entries().size() ? k : -1;
}

QByteArray TForm1::EntryPassword(int index) const {
    return session_.entryPassword(index);
}

QList<int> TForm1::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : ui.ListView1->selectionModel()->selectedRows()) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TForm1::EditSearchChange() {
    if (ui.EditSearch->hasFocus()) {
        const QString text = ui.EditSearch->text();
        const QByteArray bytes = session_.stored(text);
        const qsizetype length = bytes.size();
        QItemSelectionModel* selection = ui.ListView1->selectionModel();
        const int rowCount = ui.ListModel->rowCount();
        int found = -1;
        if (length > 0) {
            const QString wanted = platform::AnsiLowerCase(session_.text(bytes));
            const bool asciiWanted = isAscii(bytes);
            for (int r = 0; r < rowCount && found < 0; ++r) {
                const EntryRow& row = ui.ListModel->row(r);
                const char* title = row.storedData(core::Title);
                const qsizetype size = std::min<qsizetype>(length, row.fieldSize(core::Title));
                if (asciiWanted) {
                    // ASCII letters lower-case the same in every locale: an
                    // ASCII prefix is compared as stored, without a copy.
                    const int match = compareAsciiPrefix(title, size, bytes);
                    if (match >= 0) {
                        found = match == 1 ? r : -1;
                        continue;
                    }
                }
                const QByteArray prefix = core::Scramble(QByteArray(title, size));
                if (platform::AnsiLowerCase(session_.text(prefix)) == wanted) {
                    found = r;
                }
            }
        }
        if (found >= 0) {
            const QModelIndex index = ui.ListModel->index(found, 0);
            selection->select(index,
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            ui.ListView1->scrollTo(index);
        } else {
            selection->clearSelection();
            if (length == 0 && rowCount > 0) {
                ui.ListView1->scrollTo(ui.ListModel->index(0, 0));
            }
        }
    }
    ui.EditSearch->setFocus();
}

void TForm1::ListView1ColumnClick(int column) {
    if (column < 0 || column >= EntryListModel::kColumns) {
        return;
    }
    if (column != SortColumn) {
        SortDirection = 1;
    }
    const int rowCount = ui.ListModel->rowCount();
    std::vector<int> order(static_cast<size_t>(rowCount));
    for (int i = 0; i < rowCount; ++i) {
        order[size_t(i)] = i;
    }
    const bool maskedColumn = ui.ListModel->masked() && column == core::Password;
    if (!maskedColumn) {
        // Most comparisons end within the first sixteen bytes: keep those, as
        // CompareText sees them, beside the row number, so the sort touches
        // the rows themselves only for longer ties.
        struct Key {
            quint64 high;
            quint64 low;
            int row;  // the shown position, before the sort
        };
        // Walk the rows in stored order, as their texts lie in memory.
        const std::vector<EntryRow>& stored = ui.ListModel->storedRows();
        const std::vector<int> shown = ui.ListModel->shownPositions();
        std::vector<Key> keys;
        keys.reserve(static_cast<size_t>(rowCount));
        for (size_t s = 0; s < stored.size(); ++s) {
#if defined(__GNUC__)
            // Refills recycle freed blocks, so the texts do not lie in order:
            // ask for the next ones early.
            if (s + 16 < stored.size()) {
                __builtin_prefetch(stored[s + 16].storedData(column));
            }
#endif
            if (shown[s] < 0) {
                continue;
            }
            const char* text = stored[s].storedData(column);
            const int size = stored[s].fieldSize(column);
            quint64 part[2] = {0, 0};
            for (int i = 0; i < 16; ++i) {
                uchar c = i < size ? uchar(text[i] ^ core::kScrambleKey) : 0;
                if (c >= 'a' && c <= 'z') {
                    c = uchar(c - 32);
                }
                part[i / 8] = (part[i / 8] << 8) | c;
            }
            keys.push_back({part[0], part[1], shown[s]});
        }
        // Equal texts keep their order: the shown position breaks the tie.
        const int direction = SortDirection;
        std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
            int c;
            if (a.high != b.high) {
                c = a.high < b.high ? -1 : 1;
            } else if (a.low != b.low) {
                c = a.low < b.low ? -1 : 1;
            } else {
                const EntryRow& ra = ui.ListModel->row(a.row);
                const EntryRow& rb = ui.ListModel->row(b.row);
                c = platform::CompareTextMasked(ra.storedData(column), ra.fieldSize(column),
                                                rb.storedData(column), rb.fieldSize(column),
                                                core::kScrambleKey);
            }
            if (c == 0) {
                return a.row < b.row;
            }
            return direction > 0 ? c < 0 : c > 0;
        });
        for (int i = 0; i < rowCount; ++i) {
            order[size_t(i)] = keys[size_t(i)].row;
        }
        ui.ListModel->reorder(order);
    }
    SortDirection = -SortDirection;
    SortColumn = column;
}

void TForm1::ListView1SelectItem(const QItemSelection& selected) {
    // The row most recently selected becomes the current entry; rows that
    // become unselected change nothing.
    const QModelIndexList indexes = selected.indexes();
    if (indexes.isEmpty()) {
        return;
    }
    const QModelIndex current = ui.ListView1->selectionModel()->currentIndex();
    if (current.isValid() && selected.contains(current)) {
        CurrentEntry = ui.ListModel->index(current.row(), 0);
        return;
    }
    CurrentEntry = ui.ListModel->index(indexes.last().row(), 0);
}

void TForm1::MHidePasswordsClick() {
    HidePasswords = !HidePasswords;
    ui.MHidePasswords->setChecked(HidePasswords);
    if (HidePasswords) {
        ui.ListModel->setMasked(true);
    } else {
        FillEntryList();
    }
}

void TForm1::FormResize() {
    const int width = std::max(0, (ui.ListView1->width() - 20) / 6);
    for (int i = 0; i < EntryListModel::kColumns; ++i) {
        ui.ListView1->header()->resizeSection(i, width);
    }
}

void TForm1::MFontClick() {
    platform::FontChoice choice = ListFont;
    if (!platform::ui().chooseFont(choice)) {
        return;
    }
    ListFont = choice;
    core::UserSettings& settings = session_.settings();
    settings.fontColor = platform::fromQColor(choice.color);
    settings.fontName = ListFont.font.family();
    settings.fontSize = ListFont.font.pointSize() > 0 ? ListFont.font.pointSize() : 8;
    ApplyListFont();
    session_.saveSettings();
}
