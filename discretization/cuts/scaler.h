#pragma once

#include <memory>

class TTable;

// Discretization of a decision table by cuts. Each entry returns a new table that the caller
// owns: every conditional value replaced by the number of cuts of its attribute that are not
// above it (a value equal to a cut counts above it), attributes without cuts 0, the decision
// column as in the input. The input table is not changed. Only method 0 exists (ScalError 11
// otherwise, before anything is read or written); a failed allocation is ScalError 2.
class TScaler {
public:
    // Searches the cuts (cutsPerStep cuts applied per step, at least 1) and writes them to the
    // cuts file before scaling.
    std::unique_ptr<TTable> ScaleTable(const TTable& table, const char* cutsFileName, int method,
                                       int cutsPerStep);
    std::unique_ptr<TTable> ScaleTableWithoutSave(const TTable& table, int method, int cutsPerStep);
    // Scales by the cuts of a cuts file; it may name any column up to the decision, which is
    // then scaled like the others.
    std::unique_ptr<TTable> ScaleTableFromCuts(const TTable& table, const char* cutsFileName,
                                               int method);
};
