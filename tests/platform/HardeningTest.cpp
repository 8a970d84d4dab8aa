#include <gtest/gtest.h>

#include "platform/Hardening.h"

#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

enum : int { Dumpable = 1, NoCore = 2, CoreAsBefore = 4 };

// The start-up hardening in a child process, with or without the variable
// that leaves a process debuggable; its exit code says what the child became.
int afterHardening(bool debuggable, const rlimit& before) {
    const pid_t child = fork();
    if (child == 0) {
        if (debuggable) {
            setenv(platform::kDebuggableVariable, "1", 1);
        } else {
            unsetenv(platform::kDebuggableVariable);
        }
        platform::hardenProcess();
        rlimit core = {};
        getrlimit(RLIMIT_CORE, &core);
        _exit((prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 1 ? Dumpable : 0) |
              (core.rlim_cur == 0 && core.rlim_max == 0 ? NoCore : 0) |
              (core.rlim_cur == before.rlim_cur && core.rlim_max == before.rlim_max ? CoreAsBefore
                                                                                    : 0));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(Hardening, NoCoreFileAndNoDebuggerUnlessTheVariableAsksForThem) {
    rlimit before = {};
    ASSERT_EQ(getrlimit(RLIMIT_CORE, &before), 0);
    ASSERT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 1);
    EXPECT_EQ(afterHardening(false, before) & (Dumpable | NoCore), NoCore);
    EXPECT_EQ(afterHardening(true, before) & (Dumpable | CoreAsBefore), Dumpable | CoreAsBefore);
}
#endif
