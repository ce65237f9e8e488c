#pragma once

// A random size s from 1 to min(n, k) with probability proportional to the binomial
// coefficient B(n, s): the size of a subset drawn uniformly from all non-empty subsets of n
// objects with at most k members. One RandomUnit draw.
//
// The coefficients are summed in doubles while that stays finite (up to about 1,000
// objects), so seeded draws repeat exactly. Beyond, where the sums overflow, the same
// distribution is drawn from the coefficients relative to the largest one.
int RandomSubsetSize(int n, int k);
