#pragma once

#include <memory>

#include "core/int_sack.h"

// What the reduct and rule generators hand their findings to, without knowing whether a
// reduct memory or a rule memory receives them.
class TDecMemory {
public:
    virtual ~TDecMemory() = default;
    // The memory takes the sack over.
    virtual void AddRed(std::unique_ptr<TIntSack> reduct, int local, int object) = 0;
    // The attribute list of a rule for an object, ended by -1.
    virtual void AddRule(const int* attrList, int object) = 0;
    virtual int GetNoElem() const = 0;
};

// 2 to the power i as a double, for i from 0 to 9999; from 2^1024 on the value is infinite.
// Any other i ends the process.
double POWER_2(int i);
