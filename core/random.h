#pragma once

// The one pseudo-random generator of the program: a 15-bit linear congruential generator
// (state = state * 214013 + 2531011 mod 2^32, output bits 16..30). Every draw that the
// algorithms describe as rand()/srand() comes from here, so runs are reproducible from a seed.
constexpr int RAND_MAX15 = 32767;

int Rand();                // 0..32767
void SeedRand(unsigned seed);

// r / 32768.0 * n truncated (0..n-1 for n > 0, 0 for n = 0); seeds the generator from the clock on its first call.
int RandomInt(int n);

// Forget that RandomInt has seeded the generator and put the state back to its start value 1,
// as in a fresh process.
void ResetRandomForTests();
