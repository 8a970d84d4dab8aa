#include "platform/Hardening.h"

#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/resource.h>
#endif

namespace platform {

void hardenProcess() {
#if defined(__linux__)
    const char* debuggable = std::getenv(kDebuggableVariable);
    if (debuggable && std::strcmp(debuggable, "1") == 0) {
        return;
    }
    // Not dumpable: no core file, and only a privileged process may attach
    // or read /proc/<pid>/mem. The limit keeps a core off as well should
    // something make the process dumpable again.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
#endif
}

}  // namespace platform
