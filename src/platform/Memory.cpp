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

}  // namespace platform
