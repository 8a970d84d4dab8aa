#include <gtest/gtest.h>

#include "core/LineMerge.h"

namespace {

core::LineList lines(const char* text) {
    core::LineList list;
    for (const QByteArray& line : QByteArray(text).split(' ')) {
        if (!line.isEmpty()) {
            list.append(line);
        }
    }
    return list;
}

}  // namespace

TEST(LineMerge, EachCaseKeepsWhatEitherSideAddedAndDropsWhatOneRemoved) {
    struct Case {
        const char* name;
        const char* base;
        const char* theirs;
        const char* ours;
        const char* merged;
        int fromElsewhere;
    };
    const Case cases[] = {
        {"add/add", "a b", "a b t", "a b o", "a b t o", 1},
        {"add/delete", "a b", "a b t", "b", "b t", 1},
        {"delete/add", "a b", "b", "a b o", "b o", 1},
        {"delete/delete of one line", "a b c", "b c", "b c", "b c", 1},
        {"delete/delete of two", "a b c", "b c", "a c", "c", 1},
        {"edit/edit keeps both", "a b", "a b2", "a b1", "a b2 b1", 2},
        {"clear against an add", "a b", "a b t", "", "t", 1},
        {"nothing changed here", "a b", "b t a", "a b", "b t a", 1},
        {"duplicates count", "a a", "a a a", "a", "a a", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(core::mergeLines(lines(c.base), lines(c.theirs), lines(c.ours)), lines(c.merged))
            << c.name;
        EXPECT_EQ(core::changedLines(lines(c.base), lines(c.theirs)), c.fromElsewhere) << c.name;
    }
    // Categories as a set: added, renamed (a removal and an addition) and
    // deleted here, against a name added elsewhere.
    EXPECT_EQ(core::mergeNames(lines("Mail Web"), lines("Mail Web Bank"), lines("Mail Web Games")),
              lines("Mail Web Bank Games"));
    EXPECT_EQ(core::mergeNames(lines("Mail Web"), lines("Mail Web Bank"), lines("Post Web")),
              lines("Web Bank Post"));
    EXPECT_EQ(core::mergeNames(lines("Mail Web"), lines("Web Mail Bank"), lines("Web")),
              lines("Web Bank"));
    EXPECT_EQ(core::mergeNames(lines("Mail"), lines("Mail Bank"), lines("Mail Bank")),
              lines("Mail Bank"));
    // A conflict copy has no base: what the list lacks is added, nothing removed.
    EXPECT_EQ(core::addMissing(lines("a b b"), lines("c b a b b d")), lines("a b b c b d"));
}
