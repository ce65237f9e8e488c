#pragma once

#include <vector>

#include "core/random.h"

// The objects a random split or sample takes, drawn as the tables draw them: distinct numbers
// from the generator, a repeat drawn again, RandomInt up to 32,768 objects and the wide draw
// beyond.
inline std::vector<bool> ModelDraw(int noObj, int count) {
    std::vector<bool> drawn(static_cast<size_t>(noObj), false);
    for (int got = 0; got < count;) {
        const long long o = noObj <= 32768 ? RandomInt(noObj) : RandomIntWide(noObj);
        if (!drawn[static_cast<size_t>(o)]) {
            drawn[static_cast<size_t>(o)] = true;
            ++got;
        }
    }
    return drawn;
}
