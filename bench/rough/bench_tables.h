#pragma once

#include "core/random.h"
#include "core/table.h"

// Values 0..3 in 20 condition columns and a decision that depends on four of them, so that
// the reducts are few and the pairs many.
inline void Synthetic(TTable& t, int objects) {
    SeedRand(5);
    t.CreateTable(objects, 21);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < 20; ++a) t.SetTable(o, a, Rand() % 4);
        t.SetTable(o, 20, (t.GetTable(o, 2) + t.GetTable(o, 7) + t.GetTable(o, 11) * t.GetTable(o, 16)) % 3);
    }
}
