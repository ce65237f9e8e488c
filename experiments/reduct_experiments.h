#pragma once

#include <utility>

#include "core/random.h"

class TTable;

// Research procedures around reducts that no command runs, and the small array tools and
// the rounding of the research classifiers.

// floor(x) + 1 when the fraction of x is above one half, else floor(x): exactly one half
// rounds down (2.5 to 2, -2.5 to -3). Beyond the int range the result is the nearest end of
// it; not a number gives 0.
int RoundNearest(double x);

template <class T>
void Swap(T* array, int i, int j) {
    std::swap(array[i], array[j]);
}

// Entries i and j exchanged in two parallel arrays; the second may be null.
template <class T, class U>
void Swap(T* first, U* second, int i, int j) {
    std::swap(first[i], first[j]);
    if (second != nullptr) std::swap(second[i], second[j]);
}

// 10000 draws of two places below n, exchanged when they differ. The draws are RandomInt's,
// so arrays beyond 32,768 entries are stirred only at the places it reaches.
template <class T>
void ShuffleArray(T* array, int n) {
    if (n < 0) return;
    for (int s = 0; s < 10000; ++s) {
        const int i = RandomInt(n);
        const int j = RandomInt(n);
        if (i != j) Swap(array, i, j);
    }
}

// Bubble sort of keys, the companions (may be null) moved alike: descending when the flag is
// 1, ascending otherwise. Equal keys keep their order.
template <class Key, class Companion>
void PairedBubbleSort(Key* keys, Companion* companions, int n, int descending) {
    for (int bound = n; bound >= 2; --bound) {
        for (int i = 0; i + 2 <= bound; ++i) {
            const bool outOfOrder = descending == 1 ? keys[i] < keys[i + 1] : keys[i + 1] < keys[i];
            if (outOfOrder) Swap(keys, companions, i, i + 1);
        }
    }
}

// counts[a] (a below the condition attributes) := the object pairs of different decisions
// that differ on the selected attribute a and on no other selected one, 0 for the
// attributes not selected. Returns the product of the selected attributes' counts, 1.0
// when none is selected.
double SingleDiscernProduct(const TTable* table, const int* selected, long long* counts);

// 100 random reducts that keep the positive region of the whole table, each attribute drawn
// with a chance proportional to the object pairs of different decisions it tells apart;
// every reduct whose SingleDiscernProduct beats the best so far is printed. selected (one
// flag per condition attribute) keeps the last trial's reduct.
void RandomPosRegionReducts(const TTable* table, int* selected);
