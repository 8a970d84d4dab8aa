#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "mainwindow/EntryListModel.h"
#include "platform/CodePage.h"

// Puts rows in ascending Title order by the locale's case-sensitive
// comparison, keeping the stored order of equal titles. Large lists are
// refilled often (a category click, showing the passwords), so every
// distinct title is ranked once and the rank is reused; titles not yet
// ranked find their place among the ranked ones by binary search. Only the
// title fields are read, as stored.
class TitleOrder {
public:
    // The positions of the rows in Title order: result[i] is the row that goes to place i.
    // The ranks kept belong to one encoding of the titles.
    std::vector<int> order(const std::vector<EntryRow>& rows, platform::Encoding encoding);
    // The same, with the rows moved into that order.
    void sort(std::vector<EntryRow>& rows, platform::Encoding encoding);
    void clear();
    qint64 heldBytes() const;  // for the benchmark

    // Below this many rows a plain sort is as fast as ranking.
    static constexpr size_t kRankFrom = 4096;

private:
    // Ranks the rows' titles afresh; returns the title index of each row.
    std::vector<int> rank(const std::vector<EntryRow>& rows);
    // The ranked title with these stored bytes, or -1.
    int find(const char* stored, int size) const;
    int insert(const char* stored, int size);  // a new distinct title's index
    QString text(int title) const;             // a ranked title, unscrambled

    // The distinct titles, stored bytes back to back: title i is
    // titles_[start_[i], start_[i + 1]).
    QByteArray titles_;
    std::vector<qint32> start_;
    std::vector<qint32> rankOf_;  // titles comparing equal share one rank
    std::vector<qint32> byRank_;  // the titles in rank order
    std::vector<qint32> slots_;   // open addressing: title index + 1, 0 for none
    platform::Encoding encoding_ = platform::Encoding::CodePage;
};
