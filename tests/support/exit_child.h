#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "tests/support/test_files.h"

// Runs body in a child process (a death test) with standard output sent to a file,
// expects the child to end with exit status `code` (a code of -1 ends as 255), and returns
// what it wrote there. A body that returns instead of ending the process fails the test.
inline std::string StdoutOfExit(int code, const std::function<void()>& body) {
    ScratchDir dir;
    const std::string out = dir.File("stdout");
    EXPECT_EXIT(
        {
            if (std::freopen(out.c_str(), "w", stdout) == nullptr) std::_Exit(99);
            body();
            std::_Exit(98);
        },
        ::testing::ExitedWithCode(code & 0xFF), "");
    return ReadFileBytes(out);
}

inline std::string StdoutOfExitZero(const std::function<void()>& body) { return StdoutOfExit(0, body); }
