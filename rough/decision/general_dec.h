#pragma once

#include <memory>
#include <vector>

#include "core/int_sack.h"

class TTable;

// The generalized decision of a table: for every object, the decision values of all objects
// that agree with it on every condition attribute (columns 0 .. NoAttr - 2). The distinct
// generalized decisions are numbered as classes, which can replace the decision column for
// computations relative to the decision and be taken out again.
//
// Use: CalcGenDec, CreateGenDec, then ModifyGenDec / ReconstructOrigDec pairs (or a
// ModifiedDecisionScope). CalcPositiveRegion needs only CalcGenDec. The table is not owned.
class TGeneralDec {
public:
    TGeneralDec() = default;
    TGeneralDec(const TGeneralDec&) = delete;
    TGeneralDec& operator=(const TGeneralDec&) = delete;

    // Replaces an earlier result; the classes stay until the next CreateGenDec.
    void CalcGenDec(TTable* table);
    void CreateGenDec(TTable* table);
    void ModifyGenDec(TTable* table);
    void ReconstructOrigDec(TTable* table);

    double CalcPositiveRegion();
    int SameGenDec(int i, int j);

    // Unchecked: i must be in 0 .. NoObj - 1 of a computed generalized decision.
    TIntSack* GetGenDec(int i) { return &genDec[static_cast<size_t>(i)]; }
    int GetOrigDec(int i) const { return origDec[static_cast<size_t>(i)]; }
    int GetNoClasses() const { return NoClasses; }

private:
    int NoObj = 0;
    std::vector<TIntSack> genDec;
    std::vector<int> origDec;  // empty: none saved
    std::vector<int> classes;  // empty: none numbered
    int NoClasses = 0;
};

// Puts the generalized-decision classes into a table's decision column for its lifetime and
// the saved decisions back when it ends, so that an error caught between the two never leaves
// the table modified. Restore() brings the decisions back early and reports its failures.
class ModifiedDecisionScope {
public:
    ModifiedDecisionScope(TGeneralDec& dec, TTable* table);
    ~ModifiedDecisionScope();
    ModifiedDecisionScope(const ModifiedDecisionScope&) = delete;
    ModifiedDecisionScope& operator=(const ModifiedDecisionScope&) = delete;

    void Restore();

private:
    TGeneralDec& dec;
    TTable* table;
    bool modified = true;
};
