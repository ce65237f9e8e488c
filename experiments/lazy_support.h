#pragma once

#include <string>
#include <vector>

class TDValInfo;
class TTable;

// Pieces the lazy classifiers and their drivers share: how they print and how they read
// the tables and the decision statistics.

// A real as an output stream writes it by default (six significant digits).
std::string StreamReal(double value);
// part / whole, and 0 for an empty whole.
double Share(long long part, long long whole);

// A newline, one "-" for every tenth of `objects` objects, a newline.
void WriteProgressRuler(int objects);
// "." (flushed) before objects 0, 10, 20, ...
void WriteProgressDot(int k);

int DecisionOf(const TTable& t, int o);
// The place of a decision value in info, or -1.
int ValueIndex(const TDValInfo& info, int value);
// The smallest decision value of info, NoDecision (2147483647) when it has none.
int SmallestDecision(const TDValInfo& info);
// The mark of a position without a class: one below the smallest decision value, which no
// decision can hold; below the smallest int there is nothing, and the mark is then the
// first value above it that no decision value of info holds.
int MarkBelow(const TDValInfo& info, int smallest);

// The decision values the objects of a training table hold. An answer naming any other
// value can only come from a default or from statistics beyond the training objects, and
// is never right, even when the test object has that decision.
class THeldDecisions {
public:
    explicit THeldDecisions(const TTable& train);
    bool Holds(int value) const;

private:
    std::vector<int> values;  // ascending, each once
};

// The two tables must have the same columns when both hold objects: the test objects are
// read on the training table's condition attributes. Otherwise the index error.
void CheckSameColumns(const TTable& train, const TTable& test);
// The test object must exist (the index error otherwise).
void CheckTestObject(const TTable& test, int k);
// Condition attributes of the training table (0 without objects).
int ConditionAttributes(const TTable& train);
