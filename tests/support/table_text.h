#pragma once

#include <string>

#include "core/table.h"
#include "tests/support/failure_of.h"
#include "tests/support/test_files.h"

// A table loaded from the text of a table file, as a user's file would be.
inline void LoadTableText(TTable& table, const std::string& text) {
    ScratchDir dir;
    WriteFileBytes(dir.File("t.tab"), text);
    table.Load(dir.File("t.tab").c_str());
}

// The failure a call gives on a table whose file announces objects but no column: the
// checked access's, as nothing holds a decision to read.
#define EXPECT_NO_DECISION_FAILURE(call)                                              \
    do {                                                                              \
        const Failure failure = FailureOf([&] { call; });                             \
        EXPECT_EQ(failure.code, 5);                                                   \
        EXPECT_EQ(failure.log, "Bad element number in TTable::GetTable\n") << #call;  \
    } while (false)
