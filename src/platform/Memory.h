#pragma once

namespace platform {

// Whole-vault buffers (a save, an export) are large and short-lived: give
// them back to the system when freed instead of keeping them in the heap.
void returnLargeBuffersToTheSystem();

// Freed heap blocks are overwritten, so the copies of secrets that Qt makes
// and frees do not stay behind in the heap.
void fillFreedMemory();

}  // namespace platform
