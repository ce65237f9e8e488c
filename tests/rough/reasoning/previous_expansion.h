#pragma once

#include <vector>

#include "rough/reasoning/term_expansion.h"

namespace previous_expansion {

// Which terms the multiplying out keeps.
enum class Expansion {
    // Every term.
    Whole,
    // Only the terms whose every attribute is the only one they share with some clause of
    // the whole matrix, at every step: at the end exactly the prime terms of the whole
    // expansion, in its order.
    PrimeOnly,
};

discern::SetList MultiplyOut(const discern::ClauseSets& clauses, const std::vector<int>& first, Expansion keep);

}  // namespace previous_expansion
