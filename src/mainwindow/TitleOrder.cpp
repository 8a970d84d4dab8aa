#include "mainwindow/TitleOrder.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/SysUtils.h"

namespace {

QString decodedTitle(const EntryRow& row) {
    return platform::toUi(row.field(core::Title));
}

void permute(std::vector<EntryRow>& rows, const std::vector<int>& order) {
    std::vector<EntryRow> sorted;
    sorted.reserve(rows.size());
    for (int i : order) {
        sorted.push_back(std::move(rows[size_t(i)]));
    }
    rows = std::move(sorted);
}

std::vector<int> identity(size_t n) {
    std::vector<int> order(n);
    for (size_t i = 0; i < n; ++i) {
        order[i] = int(i);
    }
    return order;
}

}  // namespace

void TitleOrder::clear() {
    rankOf_.clear();
    ranked_.clear();
    rankAt_.clear();
}

qint64 TitleOrder::heldBytes() const {
    // Keys share their text with ranked_; a hash node holds a key and a value.
    qint64 bytes = qint64(rankOf_.capacity()) * qint64(sizeof(QByteArray) + sizeof(int) + 8) +
                   qint64(ranked_.capacity() * sizeof(QByteArray)) +
                   qint64(rankAt_.capacity() * sizeof(int));
    for (const QByteArray& t : ranked_) {
        bytes += t.capacity() + qint64(sizeof(QArrayData));
    }
    return bytes;
}

void TitleOrder::rank(const std::vector<EntryRow>& rows) {
    clear();
    std::vector<QByteArray> distinct;
    QHash<QByteArray, int> seen;
    seen.reserve(qsizetype(rows.size()));
    for (const EntryRow& row : rows) {
        const QByteArray title = row.field(core::Title);
        if (!seen.contains(title)) {
            seen.insert(title, 0);
            distinct.push_back(title);
        }
    }
    std::vector<QString> decoded;
    decoded.reserve(distinct.size());
    for (const QByteArray& t : distinct) {
        decoded.push_back(platform::toUi(t));
    }
    std::vector<int> order = identity(distinct.size());
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return platform::AnsiCompareStr(decoded[size_t(a)], decoded[size_t(b)]) < 0;
    });
    rankOf_.reserve(qsizetype(distinct.size()));
    ranked_.reserve(distinct.size());
    int rank = -1;
    QString previous;
    for (size_t i = 0; i < order.size(); ++i) {
        const QString& title = decoded[size_t(order[i])];
        if (i == 0 || platform::AnsiCompareStr(previous, title) != 0) {
            ++rank;
        }
        rankOf_.insert(distinct[size_t(order[i])], rank);
        ranked_.push_back(distinct[size_t(order[i])]);
        rankAt_.push_back(rank);
        previous = title;
    }
}

void TitleOrder::sort(std::vector<EntryRow>& rows) {
    permute(rows, order(rows));
}

std::vector<int> TitleOrder::order(const std::vector<EntryRow>& rows) {
    if (rows.size() < kRankFrom) {
        std::vector<QString> titles;
        titles.reserve(rows.size());
        for (const EntryRow& r : rows) {
            titles.push_back(decodedTitle(r));
        }
        std::vector<int> order = identity(rows.size());
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return platform::AnsiCompareStr(titles[size_t(a)], titles[size_t(b)]) < 0;
        });
        return order;
    }
    size_t unranked = 0;
    for (const EntryRow& r : rows) {
        unranked += rankOf_.contains(r.field(core::Title)) ? 0 : 1;
    }
    if (rankOf_.isEmpty() || unranked > rows.size() / 20) {
        rank(rows);
    }
    // Ranked titles get 2 * rank; an unranked one lies between two ranks and
    // gets the odd number between them, keeping its text for ties.
    std::vector<int> key(rows.size());
    QHash<int, QString> unrankedText;
    for (size_t i = 0; i < rows.size(); ++i) {
        const QByteArray title = rows[i].field(core::Title);
        const auto it = rankOf_.constFind(title);
        if (it != rankOf_.constEnd()) {
            key[i] = 2 * it.value();
            continue;
        }
        const QString text = platform::toUi(title);
        const auto pos = std::lower_bound(
            ranked_.begin(), ranked_.end(), text, [](const QByteArray& a, const QString& b) {
                return platform::AnsiCompareStr(platform::toUi(a), b) < 0;
            });
        const size_t p = size_t(pos - ranked_.begin());
        if (p < ranked_.size() && platform::AnsiCompareStr(platform::toUi(ranked_[p]), text) == 0) {
            key[i] = 2 * rankAt_[p];
        } else {
            key[i] = p == 0 ? -1 : 2 * rankAt_[p - 1] + 1;
            unrankedText.insert(int(i), text);
        }
    }
    std::vector<int> order = identity(rows.size());
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int ka = key[size_t(a)];
        const int kb = key[size_t(b)];
        if (ka != kb) {
            return ka < kb;
        }
        if (ka % 2 == 0) {
            return false;
        }
        return platform::AnsiCompareStr(unrankedText.value(a), unrankedText.value(b)) < 0;
    });
    return order;
}
