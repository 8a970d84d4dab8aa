#include "mainwindow/TitleOrder.h"

#include <QHashFunctions>
#include <algorithm>
#include <array>
#include <cstring>

#include "core/VaultCrypto.h"
#include "platform/CodePage.h"
#include "platform/SysUtils.h"

namespace {

QString unscrambled(const char* stored, int size, platform::Encoding encoding) {
    // One buffer for every title: only the text made from it is new.
    static thread_local QByteArray plain;
    plain.resize(size);
    std::memcpy(plain.data(), stored, size_t(size));
    core::scrambleInPlace(plain.data(), size);
    return platform::toUi(plain, encoding);
}

QString titleOf(const EntryRow& row, platform::Encoding encoding) {
    return unscrambled(row.storedData(core::Title), row.fieldSize(core::Title), encoding);
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

size_t hashOf(const char* data, int size) {
    return qHashBits(data, size_t(size));
}

// The collation's order guessed from one character: blanks, then
// punctuation and symbols, digits, letters without case or accent, then
// everything else by its folded code. Controls collate as nothing.
quint16 guessWeight(char16_t c) {
    static const std::array<quint16, 256> latin1 = [] {
        std::array<quint16, 256> w{};
        for (int i = 0; i < 256; ++i) {
            const QChar ch(char16_t(i), 0);
            QChar base = ch;
            const QString parts = ch.decomposition();
            if (!parts.isEmpty() && parts.at(0).isLetter()) {
                base = parts.at(0);
            }
            const char16_t b = base.toCaseFolded().unicode();
            if (ch.category() == QChar::Other_Control) {
                w[size_t(i)] = 0;
            } else if (ch.isSpace()) {
                w[size_t(i)] = 1;
            } else if (b >= '0' && b <= '9') {
                w[size_t(i)] = quint16(0x200 + (b - '0'));
            } else if (b >= 'a' && b <= 'z') {
                w[size_t(i)] = quint16(0x300 + (b - 'a'));
            } else if (base.isLetter()) {
                w[size_t(i)] = quint16(0x400 + b);
            } else {
                w[size_t(i)] = quint16(0x10 + i);
            }
        }
        return w;
    }();
    if (c < 256) {
        return latin1[c];
    }
    return quint16(std::max<int>(0x500, QChar(c).toCaseFolded().unicode()));
}

// The weights of the first four characters that weigh anything.
quint64 guessKey(const QString& text) {
    quint64 key = 0;
    int n = 0;
    for (qsizetype i = 0; i < text.size() && n < 4; ++i) {
        if (const quint16 w = guessWeight(text.at(i).unicode())) {
            key = key << 16 | w;
            ++n;
        }
    }
    // No weight at all: the smallest key (a shift by 64 bits is undefined).
    return n == 0 ? 0 : key << (16 * (4 - n));
}

int compareGuesses(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    for (;;) {
        quint16 wa = 0;
        quint16 wb = 0;
        while (i < a.size() && (wa = guessWeight(a.at(i).unicode())) == 0) {
            ++i;
        }
        while (j < b.size() && (wb = guessWeight(b.at(j).unicode())) == 0) {
            ++j;
        }
        if (wa != wb) {
            return wa < wb ? -1 : 1;
        }
        if (wa == 0) {
            return 0;
        }
        ++i;
        ++j;
    }
}

// Sorts by less, merging the ascending runs the items already stand in:
// n - 1 comparisons for items in order, n log n at most.
template <typename Less>
void mergeRuns(std::vector<int>& items, Less less) {
    if (items.size() < 2) {
        return;
    }
    std::vector<size_t> runs{0};
    for (size_t i = 1; i < items.size(); ++i) {
        if (less(items[i], items[i - 1])) {
            runs.push_back(i);
        }
    }
    runs.push_back(items.size());
    std::vector<int> buffer(items.size());
    while (runs.size() > 2) {
        std::vector<size_t> merged{0};
        for (size_t r = 0; r + 1 < runs.size(); r += 2) {
            const size_t from = runs[r];
            const size_t middle = runs[r + 1];
            const size_t to = r + 2 < runs.size() ? runs[r + 2] : middle;
            // Equal items keep their order: the left one goes first.
            std::merge(items.begin() + qsizetype(from), items.begin() + qsizetype(middle),
                       items.begin() + qsizetype(middle), items.begin() + qsizetype(to),
                       buffer.begin() + qsizetype(from), less);
            std::copy(buffer.begin() + qsizetype(from), buffer.begin() + qsizetype(to),
                      items.begin() + qsizetype(from));
            merged.push_back(to);
        }
        if (merged.back() != items.size()) {
            merged.push_back(items.size());
        }
        runs = std::move(merged);
    }
}

struct Guess {
    quint64 key;
    int title;
};

}  // namespace

void TitleOrder::clear() {
    core::crypto::wipe(titles_);
    start_.clear();
    rankOf_.clear();
    byRank_.clear();
    slots_.clear();
}

qint64 TitleOrder::heldBytes() const {
    return titles_.capacity() + qint64((start_.capacity() + rankOf_.capacity() +
                                        byRank_.capacity() + slots_.capacity()) *
                                       sizeof(qint32));
}

int TitleOrder::find(const char* stored, int size) const {
    if (slots_.empty()) {
        return -1;
    }
    const size_t mask = slots_.size() - 1;
    for (size_t s = hashOf(stored, size) & mask;; s = (s + 1) & mask) {
        const int t = slots_[s] - 1;
        if (t < 0) {
            return -1;
        }
        const qint32 from = start_[size_t(t)];
        if (start_[size_t(t) + 1] - from == size &&
            std::memcmp(titles_.constData() + from, stored, size_t(size)) == 0) {
            return t;
        }
    }
}

int TitleOrder::insert(const char* stored, int size) {
    const int t = int(start_.size()) - 1;
    titles_.append(stored, size);
    start_.push_back(qint32(titles_.size()));
    const size_t mask = slots_.size() - 1;
    size_t s = hashOf(stored, size) & mask;
    while (slots_[s] != 0) {
        s = (s + 1) & mask;
    }
    slots_[s] = t + 1;
    return t;
}

QString TitleOrder::text(int title) const {
    const qint32 from = start_[size_t(title)];
    return unscrambled(titles_.constData() + from, start_[size_t(title) + 1] - from, encoding_);
}

std::vector<int> TitleOrder::rank(const std::vector<EntryRow>& rows) {
    clear();
    // At most half full, so probes stay short.
    size_t slots = 16;
    while (slots < 2 * rows.size()) {
        slots *= 2;
    }
    slots_.assign(slots, 0);
    start_.push_back(0);
    std::vector<int> titleOfRow;
    titleOfRow.reserve(rows.size());
    for (const EntryRow& row : rows) {
        const char* stored = row.storedData(core::Title);
        const int size = row.fieldSize(core::Title);
        const int t = find(stored, size);
        titleOfRow.push_back(t >= 0 ? t : insert(stored, size));
    }
    const int count = int(start_.size()) - 1;
    std::vector<QString> texts;
    texts.reserve(size_t(count));
    for (int t = 0; t < count; ++t) {
        texts.push_back(text(t));
    }
    // A cheap guess first: the titles by their first characters as the
    // collation mostly orders them. Then a merge sort that takes the runs the
    // guess got right as they are and orders by the real comparison only:
    // the result is exact whatever the guess, and a good guess leaves few
    // comparisons to make.
    std::vector<Guess> guesses;
    guesses.reserve(size_t(count));
    for (int t = 0; t < count; ++t) {
        guesses.push_back({guessKey(texts[size_t(t)]), t});
    }
    std::sort(guesses.begin(), guesses.end(), [&](const Guess& a, const Guess& b) {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        const int c = compareGuesses(texts[size_t(a.title)], texts[size_t(b.title)]);
        return c != 0 ? c < 0 : a.title < b.title;
    });
    std::vector<int> sorted;
    sorted.reserve(size_t(count));
    for (const Guess& g : guesses) {
        sorted.push_back(g.title);
    }
    mergeRuns(sorted, [&](int a, int b) {
        return platform::AnsiCompareStr(texts[size_t(a)], texts[size_t(b)]) < 0;
    });
    rankOf_.assign(size_t(count), 0);
    byRank_ = std::move(sorted);
    int rank = 0;
    for (size_t i = 0; i < byRank_.size(); ++i) {
        if (i > 0 && platform::AnsiCompareStr(texts[size_t(byRank_[i - 1])],
                                              texts[size_t(byRank_[i])]) != 0) {
            ++rank;
        }
        rankOf_[size_t(byRank_[i])] = rank;
    }
    return titleOfRow;
}

void TitleOrder::sort(std::vector<EntryRow>& rows, platform::Encoding encoding) {
    permute(rows, order(rows, encoding));
}

std::vector<int> TitleOrder::order(const std::vector<EntryRow>& rows, platform::Encoding encoding) {
    if (encoding != encoding_) {
        clear();
        encoding_ = encoding;
    }
    if (rows.size() < kRankFrom) {
        std::vector<QString> titles;
        titles.reserve(rows.size());
        for (const EntryRow& r : rows) {
            titles.push_back(titleOf(r, encoding_));
        }
        std::vector<int> order = identity(rows.size());
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return platform::AnsiCompareStr(titles[size_t(a)], titles[size_t(b)]) < 0;
        });
        return order;
    }
    std::vector<int> title;
    if (!byRank_.empty()) {
        title.resize(rows.size());
        size_t unranked = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            title[i] = find(rows[i].storedData(core::Title), rows[i].fieldSize(core::Title));
            unranked += title[i] < 0 ? 1 : 0;
        }
        if (unranked > rows.size() / 20) {
            title.clear();
        }
    }
    if (title.empty()) {
        title = rank(rows);
    }
    // Ranked titles get 2 * rank + 1; an unranked one lies between two ranks
    // and gets the even number between them, keeping its text for ties.
    std::vector<int> key(rows.size());
    std::vector<std::pair<int, QString>> unrankedText;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (title[i] >= 0) {
            key[i] = 2 * rankOf_[size_t(title[i])] + 1;
            continue;
        }
        const QString text = titleOf(rows[i], encoding_);
        const auto pos =
            std::lower_bound(byRank_.begin(), byRank_.end(), text, [this](int t, const QString& b) {
                return platform::AnsiCompareStr(this->text(t), b) < 0;
            });
        const size_t p = size_t(pos - byRank_.begin());
        if (p < byRank_.size() && platform::AnsiCompareStr(this->text(byRank_[p]), text) == 0) {
            key[i] = 2 * rankOf_[size_t(byRank_[p])] + 1;
        } else {
            key[i] = p == 0 ? 0 : 2 * rankOf_[size_t(byRank_[p - 1])] + 2;
            unrankedText.emplace_back(int(i), text);
        }
    }
    // A counting sort by key keeps the stored order of equal keys.
    const int keyCount = byRank_.empty() ? 1 : 2 * rankOf_[size_t(byRank_.back())] + 3;
    std::vector<int> first(size_t(keyCount) + 1, 0);
    for (int k : key) {
        ++first[size_t(k) + 1];
    }
    for (size_t k = 1; k < first.size(); ++k) {
        first[k] += first[k - 1];
    }
    std::vector<int> order(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        order[size_t(first[size_t(key[i])]++)] = int(i);
    }
    if (!unrankedText.empty()) {
        // Unranked titles that fell between the same two ranks are put in
        // order among themselves, stably.
        std::vector<const QString*> textOf(rows.size(), nullptr);
        for (const auto& [row, text] : unrankedText) {
            textOf[size_t(row)] = &text;
        }
        for (size_t from = 0; from < order.size();) {
            size_t to = from + 1;
            while (to < order.size() && key[size_t(order[to])] == key[size_t(order[from])]) {
                ++to;
            }
            if (key[size_t(order[from])] % 2 == 0 && to - from > 1) {
                std::stable_sort(order.begin() + qsizetype(from), order.begin() + qsizetype(to),
                                 [&](int a, int b) {
                                     return platform::AnsiCompareStr(*textOf[size_t(a)],
                                                                     *textOf[size_t(b)]) < 0;
                                 });
            }
            from = to;
        }
    }
    return order;
}
