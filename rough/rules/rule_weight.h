#pragma once

#include <vector>

// The weight of a rule from two kinds of counts: 2^-contradicting * prod (1 - 2^-f) over the
// separating counts f. Each factor is (2^f - 1) / 2^f exactly and scaling by a power of two
// rounds nowhere, so this is the quotient of the two products of powers of two that the
// weight is defined by, without their overflow: counts of any size give a weight in [0, 1].
// Counts are not negative.
double PowerTwoRuleWeight(const std::vector<int>& separating, int contradicting);
