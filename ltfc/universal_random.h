#pragma once

// The universal generator of Marsaglia and Zaman (lags 97 and 33, 24-bit fractions) that
// orders the training examples, with its process-wide state.

// Fills the lag table from four seeds. The lag indices and the carry are deliberately left
// as they are, so a second initialisation goes on from their current values.
void RanmarInit(int i, int j, int k, int l);

// The next uniform number in [0, 1), a multiple of 2^-24.
double RanmarUniform();

// trunc(RanmarUniform() * 2^24) mod n; 0 when n < 1, the uniform being drawn all the same.
int RanmarInt(int n);

// The program's 15-bit generator mod n; 0 when n is 0.
int RandMod(int n);

// Seeds the 15-bit generator from the clock (seconds), then this generator from four draws
// of it, so a run that starts within the same second repeats its order.
void RanmarRandomize();

// The state a fresh process starts with (empty table, lag indices 97 and 33, the initial
// carry), for tests.
void ResetRanmarForTests();
