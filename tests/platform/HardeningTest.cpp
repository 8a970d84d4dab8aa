#include <gtest/gtest.h>

#include "platform/Hardening.h"

#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

struct Found {
    int dumpable = -1;
    rlimit core = {};
};

// The start-up hardening in a child of its own, with or without the variable
// that leaves a process debuggable; what the child then finds about itself.
Found inChildAfterHardening(bool debuggable) {
    int channel[2];
    EXPECT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (debuggable) {
            setenv(platform::kDebuggableVariable, "1", 1);
        } else {
            unsetenv(platform::kDebuggableVariable);
        }
        platform::hardenProcess();
        Found found;
        found.dumpable = prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
        getrlimit(RLIMIT_CORE, &found.core);
        _exit(write(channel[1], &found, sizeof found) == sizeof found ? 0 : 1);
    }
    close(channel[1]);
    Found found;
    EXPECT_EQ(read(channel[0], &found, sizeof found), ssize_t(sizeof found));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return found;
}

}  // namespace

TEST(Hardening, NoCoreFileAndNoDebuggerUnlessTheVariableAsksForThem) {
    rlimit before = {};
    ASSERT_EQ(getrlimit(RLIMIT_CORE, &before), 0);
    ASSERT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 1);

    const Found hardened = inChildAfterHardening(false);
    EXPECT_EQ(hardened.dumpable, 0);
    EXPECT_EQ(hardened.core.rlim_cur, rlim_t(0));
    EXPECT_EQ(hardened.core.rlim_max, rlim_t(0));

    const Found debuggable = inChildAfterHardening(true);
    EXPECT_EQ(debuggable.dumpable, 1);
    EXPECT_EQ(debuggable.core.rlim_cur, before.rlim_cur);
    EXPECT_EQ(debuggable.core.rlim_max, before.rlim_max);
}
#endif
