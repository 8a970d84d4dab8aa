#include "core/LineMerge.h"

#include <QHash>
#include <QSet>
#include <vector>

namespace core {

namespace {

using Counts = QHash<QByteArray, qsizetype>;

// Hash counts keep every merge linear: 100,000 lines are normal.
Counts countsOf(const LineList& lines) {
    Counts counts;
    counts.reserve(lines.size());
    for (const QByteArray& line : lines) {
        ++counts[line];
    }
    return counts;
}

}  // namespace

LineList mergeLines(const LineList& base, const LineList& theirs, const LineList& ours,
                    int* fromElsewhere) {
    // One table for the three counts: each line is hashed about once per list.
    struct Tally {
        qsizetype base = 0;
        qsizetype theirs = 0;
        qsizetype ours = 0;
    };
    QHash<QByteArray, Tally> tally;
    tally.reserve(base.size() + ours.size() / 8 + 16);
    for (const QByteArray& line : base) {
        ++tally[line].base;
    }
    // Lines ours may have added since base, so the last pass need not hash ours again.
    std::vector<qsizetype> added;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        Tally& t = tally[ours[i]];
        if (++t.ours > t.base) {
            added.push_back(i);
        }
    }
    LineList merged;
    merged.reserve(theirs.size() + ours.size() / 8 + 16);
    for (const QByteArray& line : theirs) {
        auto it = tally.find(line);
        if (it == tally.end()) {
            it = tally.insert(line, Tally{});
        }
        Tally& t = it.value();
        ++t.theirs;
        // Removed by ours since base: theirs' first copies go.
        if (t.base > t.ours && t.theirs <= t.base - t.ours) {
            continue;
        }
        merged.append(line);
    }
    qsizetype changed = 0;
    for (auto it = tally.begin(); it != tally.end(); ++it) {
        const Tally& t = it.value();
        changed += t.theirs > t.base ? t.theirs - t.base : t.base - t.theirs;
    }
    // Added by ours since base, in ours' order; the count is spent on the way.
    for (const qsizetype i : added) {
        Tally& t = tally[ours[i]];
        if (t.ours > t.base) {
            --t.ours;
            merged.append(ours[i]);
        }
    }
    if (fromElsewhere) {
        *fromElsewhere = int(changed);
    }
    return merged;
}

LineList mergeNames(const LineList& base, const LineList& theirs, const LineList& ours) {
    const QSet<QByteArray> baseSet(base.cbegin(), base.cend());
    const QSet<QByteArray> ourSet(ours.cbegin(), ours.cend());
    QSet<QByteArray> taken;
    LineList merged;
    merged.reserve(theirs.size() + ours.size());
    auto take = [&](const QByteArray& name) {
        if (!taken.contains(name)) {
            taken.insert(name);
            merged.append(name);
        }
    };
    for (const QByteArray& name : theirs) {
        // Removed by ours: in base, no longer in ours.
        if (!(baseSet.contains(name) && !ourSet.contains(name))) {
            take(name);
        }
    }
    for (const QByteArray& name : ours) {
        if (!baseSet.contains(name)) {
            take(name);
        }
    }
    return merged;
}

LineList addMissing(const LineList& list, const LineList& copy) {
    Counts have = countsOf(list);
    LineList merged = list;
    for (const QByteArray& line : copy) {
        auto it = have.find(line);
        if (it != have.end() && it.value() > 0) {
            --it.value();
        } else {
            merged.append(line);
        }
    }
    return merged;
}

int changedLines(const LineList& before, const LineList& after) {
    Counts counts = countsOf(before);
    for (const QByteArray& line : after) {
        --counts[line];
    }
    qsizetype changed = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        changed += it.value() < 0 ? -it.value() : it.value();
    }
    return int(changed);
}

}  // namespace core
