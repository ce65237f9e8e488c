#include "rough/reducts/reduct_fitness.h"

#include "core/table.h"

// Attributes are counted over all columns, the decision included, so that the term for the
// size stays positive for every subset.
double ReductFitness::Fitness(const Subset& subset, int k) const {
    if (mode == -1) return 1.0;
    const int attributes = table->GetNoAttr();
    const int a = table->GetNoObj() + 1 - k;
    const int b = attributes + 1 - subset.Count();
    if (mode == 0) return a + static_cast<double>(b) / attributes;
    return b;
}

int ReductFitness::Evaluate(const Subset& subset) {
    if (store.GetCost(subset) != 0.0) return 1;
    if (failures.Find(subset)) return 0;
    const int k = Test(subset);
    if (k > 0) {
        store.Insert(subset, Fitness(subset, k));
        return 1;
    }
    failures.Insert(subset);
    return 0;
}
