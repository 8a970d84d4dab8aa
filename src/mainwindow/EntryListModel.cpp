#include "mainwindow/EntryListModel.h"

#include <algorithm>

#include "platform/CodePage.h"

const QByteArray EntryListModel::kMask = QByteArrayLiteral("**********");

EntryRow EntryRow::fromStored(QByteArray storedLine, int entryIndex) {
    EntryRow row;
    row.line = std::move(storedLine);
    row.entry = entryIndex;
    row.spans =
        core::splitSpans(row.line.constData(), row.line.size(), char('|' ^ core::kScrambleKey));
    return row;
}

QByteArray EntryRow::field(int column) const {
    return core::Scramble(QByteArray(storedData(column), fieldSize(column)));
}

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent) {
    const char* designed[kColumns] = {"Title",    "Login",       "Password",
                                      "Category", "Link",        "Comments",
                                      "PIN Code", "Credit Card", "Software Serial"};
    for (int i = 0; i < kColumns; ++i) {
        captions_[size_t(i)] = QString::fromLatin1(designed[i]);
    }
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(order_.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QByteArray EntryListModel::cell(int row, int column) const {
    if (masked_ && column == core::Password) {
        return kMask;
    }
    return this->row(row).field(column);
}

QString EntryListModel::cellText(int row, int column) const {
    return platform::toUi(cell(row, column), encoding_);
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(order_.size()) || index.column() >= kColumns) {
        return QVariant();
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return cellText(index.row(), index.column());
    }
    return QVariant();
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumns) {
        return captions_[size_t(section)];
    }
    return QVariant();
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    // Rows are never edited in place.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void EntryListModel::setRows(std::vector<EntryRow> rows, std::vector<int> order) {
    beginResetModel();
    rows_ = std::move(rows);
    if (order.empty()) {
        order.resize(rows_.size());
        for (size_t i = 0; i < order.size(); ++i) {
            order[i] = int(i);
        }
    }
    order_ = std::move(order);
    endResetModel();
}

void EntryListModel::clear() {
    setRows({});
}

std::vector<int> EntryListModel::removeRowsWithEntries(QList<int> shownRows) {
    std::sort(shownRows.begin(), shownRows.end());
    shownRows.erase(std::unique(shownRows.begin(), shownRows.end()), shownRows.end());
    std::vector<int> gone;
    gone.reserve(size_t(shownRows.size()));
    // From the bottom up, so the positions still to remove stay valid. The
    // decoded row stays until the next fill; only its place goes.
    for (auto r = shownRows.crbegin(); r != shownRows.crend(); ++r) {
        if (*r < 0 || *r >= int(order_.size())) {
            continue;
        }
        EntryRow& removed = rows_[size_t(order_[size_t(*r)])];
        if (removed.entry >= 0) {
            gone.push_back(removed.entry);
            removed.entry = -1;
        }
        beginRemoveRows(QModelIndex(), *r, *r);
        order_.erase(order_.begin() + *r);
        endRemoveRows();
    }
    std::sort(gone.begin(), gone.end());
    // Every later line moves up by the number of removed lines before it.
    for (EntryRow& row : rows_) {
        if (row.entry >= 0) {
            row.entry -= int(std::lower_bound(gone.begin(), gone.end(), row.entry) - gone.begin());
        }
    }
    return gone;
}

void EntryListModel::setMasked(bool masked) {
    if (masked_ == masked) {
        return;
    }
    masked_ = masked;
    if (!order_.empty()) {
        Q_EMIT dataChanged(index(0, core::Password), index(int(order_.size()) - 1, core::Password),
                           {Qt::DisplayRole, Qt::ToolTipRole});
    }
}

void EntryListModel::setColumnCaption(int column, const QString& caption) {
    captions_[size_t(column)] = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

qint64 EntryListModel::rowBytes() const {
    // The texts belong to the stored lines.
    return qint64(rows_.capacity() * sizeof(EntryRow));
}

std::vector<int> EntryListModel::shownPositions() const {
    std::vector<int> shown(rows_.size(), -1);
    for (size_t i = 0; i < order_.size(); ++i) {
        shown[size_t(order_[i])] = int(i);
    }
    return shown;
}

void EntryListModel::reorder(const std::vector<int>& order) {
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(order.size());
    std::vector<int> sorted(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newPosition[size_t(order[i])] = int(i);
        sorted[i] = order_[size_t(order[i])];
    }
    order_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before) {
        after.append(index(newPosition[size_t(idx.row())], idx.column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
