#include "experiments/lazy_support.h"

#include <algorithm>
#include <climits>
#include <sstream>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"

std::string StreamReal(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

double Share(long long part, long long whole) {
    return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

void WriteProgressRuler(int objects) {
    const int dashes = objects > 0 ? (objects - 1) / 10 + 1 : 0;
    WriteStdout("\n" + std::string(static_cast<std::size_t>(dashes), '-') + "\n");
}

void WriteProgressDot(int k) {
    if (k % 10 == 0) WriteStdout(".");
}

int DecisionOf(const TTable& t, int o) {
    t.RequireDecisionColumn();
    return t.Value(o, t.GetNoAttr() - 1);
}

int ValueIndex(const TDValInfo& info, int value) {
    for (int i = 0; i < info.GetNoDecVal(); ++i) {
        if (info.GetDecVal(i) == value) return i;
    }
    return -1;
}

int SmallestDecision(const TDValInfo& info) {
    int smallest = 2147483647;
    for (int i = 0; i < info.GetNoDecVal(); ++i) {
        if (info.GetDecVal(i) < smallest) smallest = info.GetDecVal(i);
    }
    return smallest;
}

int MarkBelow(const TDValInfo& info, int smallest) {
    if (smallest != INT_MIN) return smallest - 1;
    for (int mark = INT_MIN + 1;; ++mark) {
        if (ValueIndex(info, mark) < 0) return mark;
    }
}

THeldDecisions::THeldDecisions(const TTable& train) {
    OrOutOfMemory([&] {
        for (int o = 0; o < train.GetNoObj(); ++o) values.push_back(DecisionOf(train, o));
    });
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

bool THeldDecisions::Holds(int value) const { return std::binary_search(values.begin(), values.end(), value); }

void CheckSameColumns(const TTable& train, const TTable& test) {
    if (train.GetNoObj() > 0 && test.GetNoObj() > 0 && train.GetNoAttr() != test.GetNoAttr()) {
        LogMessage("Training and test tables differ in their attributes");
        throw CalcError(5);
    }
}

void CheckTestObject(const TTable& test, int k) {
    if (k < 0 || k >= test.GetNoObj()) {
        LogMessage("Bad number of test object in TLazyClassifier");
        throw CalcError(5);
    }
}

int ConditionAttributes(const TTable& train) { return train.GetNoObj() > 0 ? train.GetNoAttr() - 1 : 0; }
