#pragma once

#include "core/report.h"
#include "core/table.h"

// The order of the steps, the same for both reasoners: the global run reports its progress
// and logs, the local one does neither (its verbose flag keeps the steps quiet too).
namespace discern {

template <class Reasoner>
void GlobalSteps(Reasoner& r, TTable* table, int relative, int missing) {
    LogMessage("Calculating all reducts");
    ShowProgress(5);
    r.CreateDiscMatrix(table, relative, missing);
    ShowProgress(30);
    r.Minimalization(table->GetNoObj());
    ShowProgress(70);
    r.ClearRedundant(table->GetNoObj());
}

template <class Reasoner>
void LocalSteps(Reasoner& r, TTable* table, int object, int relative, int missing) {
    r.CreateDiscMatrixForObject(table, object, relative, missing);
    r.Minimalization(table->GetNoObj());
    r.ClearRedundant(table->GetNoObj());
}

}  // namespace discern
