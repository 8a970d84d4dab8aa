#pragma once

#include <QHash>
#include <QString>
#include <vector>

#include "mainwindow/EntryListModel.h"

// Puts rows in ascending Title order by the locale's case-sensitive
// comparison, keeping the stored order of equal titles. Large lists are
// refilled often (a category click, showing the passwords), so the order of
// every distinct title is ranked once and reused; titles not yet ranked find
// their place among the ranked ones by binary search.
class TitleOrder {
public:
    // The positions of the rows in Title order: result[i] is the row that goes to place i.
    std::vector<int> order(const std::vector<EntryRow>& rows);
    // The same, with the rows moved into that order.
    void sort(std::vector<EntryRow>& rows);
    void clear();
    qint64 heldBytes() const;  // for the benchmark

    // Below this many rows a plain sort is as fast as ranking.
    static constexpr size_t kRankFrom = 4096;

private:
    void rank(const std::vector<EntryRow>& rows);

    QHash<QByteArray, int> rankOf_;   // title bytes -> rank; titles comparing equal share one
    std::vector<QByteArray> ranked_;  // the ranked titles in order (shared with the keys)
    std::vector<int> rankAt_;         // rank of ranked_[i]
};
