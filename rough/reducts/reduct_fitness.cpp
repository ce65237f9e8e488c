#include "rough/reducts/reduct_fitness.h"

#include "core/table.h"
#include "rough/reasoning/discernibility.h"

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
    // A search asked for endless generations would fill the memory with rejected subsets
    // until the system ends the process; the set is held to the term lists' share instead.
    const long long bytesPerSubset =
        static_cast<long long>(sizeof(genetic_subsets::SubsetTree)) + 4LL * subset.GetWordCount() + 48;
    discern::CheckTermMemory(failures.GetCount() + 1, bytesPerSubset);
    failures.Insert(subset);
    return 0;
}
