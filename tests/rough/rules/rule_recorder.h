#pragma once

#include <memory>
#include <vector>

#include "rough/decision/dec_mem.h"
#include "tests/support/rule_checks.h"

// Receives a generator's rules in the order they come.
class RuleRecorder : public TDecMemory {
public:
    void AddRed(std::unique_ptr<TIntSack>, int, int) override { ++reducts; }
    void AddRule(const int* attrList, int object) override {
        ObjectRule r;
        r.object = object;
        for (const int* a = attrList; *a >= 0; ++a) r.attrs.push_back(*a);
        rules.push_back(r);
    }
    int GetNoElem() const override { return static_cast<int>(rules.size()); }

    std::vector<ObjectRule> rules;
    int reducts = 0;
};
