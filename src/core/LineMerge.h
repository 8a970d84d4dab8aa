#pragma once

// Three-way merge of two copies of one file that went apart from a common
// base: a sync tool or a second program changed the file on disk while this
// program changed its list in memory.
#include "core/UserFiles.h"

namespace core {

// The lists as multisets of lines: theirs, plus the lines ours added since
// base, minus the lines ours removed since base where theirs still has them.
// Theirs keeps its order; ours' additions follow in ours' order. An edit is a
// removal plus an addition, so two edits of one entry both remain.
// fromElsewhere, when given, gets changedLines(base, theirs).
LineList mergeLines(const LineList& base, const LineList& theirs, const LineList& ours,
                    int* fromElsewhere = nullptr);

// The same for category names, as a set: each name at most once.
LineList mergeNames(const LineList& base, const LineList& theirs, const LineList& ours);

// A copy without a common base (a sync tool's conflict copy): its lines the
// list lacks are added, in the copy's order; nothing is removed.
LineList addMissing(const LineList& list, const LineList& copy);

// Lines added plus lines removed between two versions (the changes from
// elsewhere that a merge brought in).
int changedLines(const LineList& before, const LineList& after);

}  // namespace core
