#include "core/LineMerge.h"

#include <QHash>
#include <QSet>

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

LineList mergeLines(const LineList& base, const LineList& theirs, const LineList& ours) {
    const Counts baseCounts = countsOf(base);
    const Counts ourCounts = countsOf(ours);
    Counts removed;  // by ours since base
    for (auto it = baseCounts.cbegin(); it != baseCounts.cend(); ++it) {
        const qsizetype gone = it.value() - ourCounts.value(it.key());
        if (gone > 0) {
            removed.insert(it.key(), gone);
        }
    }
    Counts added;  // by ours since base
    for (auto it = ourCounts.cbegin(); it != ourCounts.cend(); ++it) {
        const qsizetype more = it.value() - baseCounts.value(it.key());
        if (more > 0) {
            added.insert(it.key(), more);
        }
    }
    LineList merged;
    merged.reserve(theirs.size() + ours.size());
    for (const QByteArray& line : theirs) {
        auto it = removed.find(line);
        if (it != removed.end() && it.value() > 0) {
            --it.value();
            continue;
        }
        merged.append(line);
    }
    for (const QByteArray& line : ours) {
        auto it = added.find(line);
        if (it != added.end() && it.value() > 0) {
            --it.value();
            merged.append(line);
        }
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
