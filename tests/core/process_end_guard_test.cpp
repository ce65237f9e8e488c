#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "core/report.h"

bool ProcessEndGuardRegistered();

// A child forked by hand is no death test: ending the process there, as a library procedure
// does with code 0, must come out as a failure. Inside EXPECT_EXIT the code stays.
TEST(ProcessEndGuard, AnEndWithCodeZeroInsideATestFails) {
    ASSERT_TRUE(ProcessEndGuardRegistered());
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The child's own output would interleave with the parent's.
        std::freopen("/dev/null", "w", stderr);
        EndProcess(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EXIT(EndProcess(0), ::testing::ExitedWithCode(0), "");
}
