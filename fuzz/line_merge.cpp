// The three-way merge over random line multisets. Each input byte is one line
// (of eight, so lines repeat) and the lists it belongs to: base, theirs, ours.
#include <QHash>
#include <cstdint>

#include "FuzzSupport.h"
#include "core/LineMerge.h"

namespace {

QHash<QByteArray, qsizetype> countsOf(const core::LineList& lines) {
    QHash<QByteArray, qsizetype> counts;
    for (const QByteArray& line : lines) {
        ++counts[line];
    }
    return counts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::LineList base, theirs, ours;
    for (size_t i = 0; i < size; ++i) {
        const QByteArray line(1, char('a' + (data[i] & 7)));
        if (data[i] & 8) {
            base.append(line);
        }
        if (data[i] & 16) {
            theirs.append(line);
        }
        if (data[i] & 32) {
            ours.append(line);
        }
    }
    int fromElsewhere = -1;
    const core::LineList merged = core::mergeLines(base, theirs, ours, &fromElsewhere);
    FUZZ_CHECK(fromElsewhere == core::changedLines(base, theirs));
    const auto b = countsOf(base), t = countsOf(theirs), o = countsOf(ours), m = countsOf(merged);
    for (char c = 'a'; c <= 'h'; ++c) {
        const QByteArray line(1, c);
        const qsizetype bc = b.value(line), tc = t.value(line), oc = o.value(line);
        const qsizetype mc = m.value(line);
        // Every line added on either side is kept.
        FUZZ_CHECK(mc >= tc - bc && mc >= oc - bc);
        // A line removed on one side and unchanged on the other is gone.
        FUZZ_CHECK(!(tc == bc && oc < bc) || mc == oc);
        FUZZ_CHECK(!(oc == bc && tc < bc) || mc == tc);
        FUZZ_CHECK(mc == std::max<qsizetype>(0, tc + oc - bc));
    }
    // Nothing changed here: the file on disk is taken as it is.
    FUZZ_CHECK(core::mergeLines(base, theirs, base) == theirs);
    FUZZ_CHECK(core::changedLines(base, theirs) == core::changedLines(theirs, base));
    // As a set: each name once, ours' additions and theirs' kept.
    const core::LineList names = core::mergeNames(base, theirs, ours);
    const auto n = countsOf(names);
    for (auto it = n.cbegin(); it != n.cend(); ++it) {
        FUZZ_CHECK(it.value() == 1);
    }
    for (const QByteArray& name : ours) {
        FUZZ_CHECK(b.contains(name) || n.contains(name));
    }
    for (const QByteArray& name : theirs) {
        FUZZ_CHECK(!b.contains(name) || o.contains(name) || !n.contains(name));
        FUZZ_CHECK(!(b.contains(name) && o.contains(name)) || n.contains(name));
    }
    return 0;
}
