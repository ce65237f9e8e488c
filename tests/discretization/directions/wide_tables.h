#pragma once

#include "core/random.h"
#include "core/table.h"

// Tables shaped like public ones not shipped here, whose wide-ranging values random
// hyperplanes rarely part. A credit register: 1,000 objects, 13 coded attributes and 7
// numbers (amounts of 250 to 18,400, all different, so every object is consistent), a
// decision unrelated to them, 1 for about 30 %.
inline void CreditShaped(TTable& t, unsigned seed) {
    // Per column: the smallest value and the number of values (the decision last).
    static const int kLow[21] = {0, 4, 0, 0, 250, 0, 0, 1, 0, 0, 1, 0, 19, 0, 0, 1, 0, 1, 0, 0, 0};
    static const int kRange[21] = {4, 69, 5, 11, 0, 5, 5, 4, 5, 3, 4, 4, 57, 3, 3, 4, 4, 2, 2, 2, 0};
    SeedRand(seed);
    t.CreateTable(1000, 21);
    for (int o = 0; o < 1000; ++o) {
        for (int a = 0; a < 20; ++a)
            t.SetTable(o, a, a == 4 ? kLow[a] + 18 * o + Rand() % 18 : kLow[a] + Rand() % kRange[a]);
        t.SetTable(o, 20, Rand() % 10 < 3 ? 1 : 0);
    }
}

// Silhouette measures: 846 objects, 18 real values with one decimal scaled to integers up to
// about 12,000, all growing with the object's size (the objects lie near one line), shifted
// by the decision (4 values, in turn) less than they spread.
inline void VehicleShaped(TTable& t, unsigned seed) {
    SeedRand(seed);
    t.CreateTable(846, 19);
    for (int o = 0; o < 846; ++o) {
        const int size = Rand() % 1000;
        for (int a = 0; a < 18; ++a)
            t.SetTable(o, a, 200 + a * 1310 % 6000 + (1 + a % 5) * size + 40 * ((a * 7 + o % 4 * 3) % 5) + Rand() % 400);
        t.SetTable(o, 18, o % 4);
    }
}
