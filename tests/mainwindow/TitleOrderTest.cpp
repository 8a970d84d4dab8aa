#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "QtPrinters.h"
#include "mainwindow/TitleOrder.h"
#include "platform/CodePage.h"
#include "platform/SysUtils.h"

namespace {

std::vector<EntryRow> rowsOf(const QList<QByteArray>& titles) {
    std::vector<EntryRow> rows;
    for (int i = 0; i < titles.size(); ++i) {
        rows.push_back(EntryRow::fromStored(
            core::Scramble(titles[i] + "|login" + QByteArray::number(i)), int(i)));
    }
    return rows;
}

// What every fill must give: a stable sort by the locale's comparison.
QList<QByteArray> expected(const QList<QByteArray>& titles) {
    std::vector<int> order(static_cast<size_t>(titles.size()));
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = int(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return platform::AnsiCompareStr(platform::toUi(titles[a], platform::Encoding::CodePage),
                                        platform::toUi(titles[b], platform::Encoding::CodePage)) <
               0;
    });
    QList<QByteArray> out;
    for (int i : order) {
        out << titles[i] + "|login" + QByteArray::number(i);
    }
    return out;
}

QList<QByteArray> plain(const std::vector<EntryRow>& rows) {
    QList<QByteArray> out;
    for (const EntryRow& r : rows) {
        out << r.plainLine();
    }
    return out;
}

QList<QByteArray> randomTitles(std::mt19937& random, int n) {
    QList<QByteArray> titles;
    // Case, accents, blanks, punctuation, digits, a control and letters that
    // expand, so the order is the locale's and no guess at it.
    const char pieces[][6] = {"a", "A", "b", "B", "\xe9", "\xc9", "e", "E",    " ",    "z",   "-",
                              "1", "9", ".", "@", "_",    "~",    "(", "\x01", "\xdf", "\xe6"};
    const unsigned count = unsigned(std::size(pieces));
    for (int i = 0; i < n; ++i) {
        if (!titles.isEmpty() && random() % 5 == 0) {
            titles << titles[int(random() % unsigned(titles.size()))];
            continue;
        }
        QByteArray t;
        for (int k = int(random() % 5); k >= 0; --k) {
            t += pieces[random() % count];
        }
        titles << t;
    }
    return titles;
}

}  // namespace

TEST(TitleOrder, RankedOrderEqualsTheStableLocaleSort) {
    platform::setStorageCodePage("windows-1252");
    std::mt19937 random(3);
    TitleOrder order;
    for (int n : {10, 5000, 20000}) {
        const QList<QByteArray> titles = randomTitles(random, n);
        std::vector<EntryRow> rows = rowsOf(titles);
        order.sort(rows, platform::Encoding::CodePage);
        EXPECT_EQ(plain(rows), expected(titles)) << n;
        // Again with the ranks kept, plus a few titles never ranked.
        QList<QByteArray> more = titles;
        more << "new title"
             << "A new one"
             << "\xe9t\xe9"
             << "new title"
             << "zzz"
             << "";
        rows = rowsOf(more);
        order.sort(rows, platform::Encoding::CodePage);
        EXPECT_EQ(plain(rows), expected(more)) << n;
    }
    platform::setStorageCodePage(QByteArray());
}
