#include "platform/Memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void returnLargeBuffersToTheSystem() {
#if defined(__GLIBC__)
    // A fixed threshold: glibc would otherwise raise it after the first large
    // free and keep later vault-sized buffers resident.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

void fillFreedMemory() {
#if defined(__GLIBC__)
    // glibc leaves alone the small blocks it keeps in its per-thread cache
    // and the last bytes of a block: a second line behind wiping secrets
    // where they are held, not a replacement for it.
    mallopt(M_PERTURB, 0x5A);
#endif
}

}  // namespace platform
