// Library procedures end the process with std::exit, often with code 0. A test that reaches
// one outside a death test would stop there and still count as passed, with the rest of its
// body never run; ending inside a test (and not in a death test's child) is made a failure.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

void FailAnEndInsideATest() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr || ::testing::internal::InDeathTestChild()) return;
    std::fprintf(stderr, "\n%s.%s ended the process outside a death test\n", test->test_suite_name(), test->name());
    std::fflush(stderr);
    std::_Exit(1);
}

const bool registered = std::atexit(FailAnEndInsideATest) == 0;

}  // namespace

// Referenced by the guard's own test, so that the registration cannot be dropped unseen.
bool ProcessEndGuardRegistered() { return registered; }
