#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <vector>

#include "core/PasswordEntry.h"
#include "platform/CodePage.h"

// One row of the entry list: the stored line it was built from, still
// scrambled and sharing its bytes with the stored list, where its nine cells
// lie in it, and the entry index of that line. A cell is unscrambled only
// when it is asked for.
struct EntryRow {
    QByteArray line;
    core::FieldSpans spans;
    int entry = -1;

    static EntryRow fromStored(QByteArray storedLine, int entryIndex);
    // A cell's text, unscrambled.
    QByteArray field(int column) const;
    // The whole line, unscrambled.
    QByteArray plainLine() const { return core::Scramble(line); }
    // A cell's bytes as stored: each is the text's byte XOR core::kScrambleKey.
    const char* storedData(int column) const {
        return line.constData() + spans.start[size_t(column)];
    }
    int fieldSize(int column) const { return spans.length[size_t(column)]; }
};

// The rows the entry list shows, nine columns each. Each row is a copy of a
// decoded entry and knows the entry index of its stored line, so every
// command acts on exactly the entry the row shows.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit EntryListModel(QObject* parent = nullptr);

    static constexpr int kColumns = core::kFieldCount;
    static const QByteArray kMask;  // ten asterisks

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The rows as decoded, and the order to show them in: order[i] is the
    // decoded row shown at position i (all of them, in order, when empty).
    void setRows(std::vector<EntryRow> rows, std::vector<int> order = {});
    void clear();
    // Removes the rows shown at these positions and returns their entry
    // indexes, ascending; the entry indexes of the other rows follow the
    // removal of those lines from the stored list.
    std::vector<int> removeRowsWithEntries(QList<int> shownRows);
    const EntryRow& row(int row) const { return rows_[size_t(order_[size_t(row)])]; }

    // The text a cell shows: the field, or the mask in the Password column
    // while passwords are hidden.
    QByteArray cell(int row, int column) const;
    QString cellText(int row, int column) const;

    // How the rows' bytes are encoded.
    void setEncoding(platform::Encoding encoding) { encoding_ = encoding; }
    void setMasked(bool masked);
    bool masked() const { return masked_; }

    void setColumnCaption(int column, const QString& caption);
    QString columnCaption(int column) const { return captions_[size_t(column)]; }

    // Puts the rows in a new order: order[i] is the old position of the row
    // that goes to position i. Selections and persistent indexes follow their rows.
    void reorder(const std::vector<int>& order);

    // The rows in stored order, which is also the order their texts lie in
    // memory: passes over every row go fastest in this order.
    const std::vector<EntryRow>& storedRows() const { return rows_; }
    // For each stored row, the position it is shown at (-1: removed).
    std::vector<int> shownPositions() const;

    // The memory the rows and their order hold, for the benchmark.
    qint64 rowBytes() const;
    qint64 orderBytes() const { return qint64(order_.capacity() * sizeof(int)); }

private:
    std::vector<EntryRow> rows_;
    std::vector<int> order_;  // shown position -> stored row
    std::array<QString, kColumns> captions_;
    bool masked_ = false;
    platform::Encoding encoding_ = platform::Encoding::CodePage;
};
