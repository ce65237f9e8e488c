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
#include "tests/support/exit_child.h"
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
