#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "core/table.h"
#include "rough/rules/rule_comp.h"
#include "tests/rough/table_builders.h"
#include "tests/support/test_files.h"

// A table from its rows; every row has the same number of values, the decision last.
inline std::unique_ptr<TTable> MakeTable(std::initializer_list<std::initializer_list<int>> rows) {
    auto table = std::make_unique<TTable>();
    FillTable(*table, rows);
    return table;
}

// A rule of the descriptors (attribute, value) in this order.
inline std::unique_ptr<TRuleComp> RuleOf(std::initializer_list<std::pair<int, int>> descriptors, int decision,
                                         int object = 0) {
    auto block = std::make_unique<TBlock>();
    for (auto [a, v] : descriptors) block->AddDescriptor(a, v);
    auto rule = std::make_unique<TRuleComp>(std::move(block), object);
    rule->SetDecision(decision);
    return rule;
}

// Runs body in a child process with standard output sent to a file, expects the child to
// end with exit code 0, and returns what it wrote there.
inline std::string StdoutOfExitZero(const std::function<void()>& body) {
    ScratchDir dir;
    const std::string out = dir.File("stdout");
    EXPECT_EXIT(
        {
            if (std::freopen(out.c_str(), "w", stdout) == nullptr) std::_Exit(99);
            body();
            std::_Exit(98);
        },
        ::testing::ExitedWithCode(0), "");
    return ReadFileBytes(out);
}
