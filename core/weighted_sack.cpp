#include "core/weighted_sack.h"

#include <climits>
#include <utility>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/error.h"
#include "core/quick_sort.h"
#include "core/report.h"

namespace {

[[noreturn]] void BadIndex(const char* text) {
    LogMessage(text);
    throw CalcError(5);
}

}  // namespace

TWIntSack::TWIntSack(int n) : step(n > 1 ? n : 1), capacity(step) {}

void TWIntSack::Reset() {
    std::vector<Entry>().swap(entries);
    step = 10;
    capacity = 10;
}

void TWIntSack::Add(int value) { Add(value, 1); }

void TWIntSack::Add(int value, int weight) {
    for (Entry& e : entries) {
        if (e.element == value) {
            e.weight += weight;
            return;
        }
    }
    if (GetSize() + 1 >= capacity) {
        if (static_cast<long long>(capacity) + step > INT_MAX) throw CalcError(2);
        capacity += step;
    }
    OrOutOfMemory([&] { entries.push_back({value, weight, 0.0f}); });
}

int TWIntSack::GetElem(int i) const {
    if (i < 0 || i >= GetSize()) BadIndex("Bad number of element in TWIntSack::GetElem ");
    return entries[static_cast<size_t>(i)].element;
}

int TWIntSack::GetWeight(int i) const {
    if (i < 0 || i >= GetSize()) BadIndex("Bad number of element in TWIntSack::GetWeight ");
    return entries[static_cast<size_t>(i)].weight;
}

float TWIntSack::GetFWeight(int i) const {
    if (i < 0 || i >= GetSize()) BadIndex("Bad number of element in TWIntSack::GetFWeight ");
    return entries[static_cast<size_t>(i)].fweight;
}

// The quicksort moves the entries whose real weight is larger than the pivot's to the front,
// that is, it sorts the negated weights ascending.
void TWIntSack::Sort() {
    PivotFirstQuickSort(
        0, GetSize() - 1, [this](int i) { return -entries[static_cast<size_t>(i)].fweight; },
        [this](int i, int j) { std::swap(entries[static_cast<size_t>(i)], entries[static_cast<size_t>(j)]); });
}

void TWIntSack::CalcFWeights(const TDValInfo& info) {
    for (Entry& e : entries) {
        const int first = info.GetDCForDecVal(e.element / 10);
        const int second = info.GetDCForDecVal(e.element % 10);
        const long long objects = static_cast<long long>(first) + second;
        e.fweight = objects == 0 ? 0.0f : static_cast<float>(static_cast<double>(e.weight) / static_cast<double>(objects));
    }
}
