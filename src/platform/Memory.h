#pragma once

namespace platform {

// Whole-vault buffers (a save, an export) are large and short-lived: give
// them back to the system when freed instead of keeping them in the heap.
void returnLargeBuffersToTheSystem();

}  // namespace platform
