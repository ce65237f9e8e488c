#pragma once

// The one pseudo-random generator of the program: a 15-bit linear congruential generator
// (state = state * 214013 + 2531011 mod 2^32, output bits 16..30). Every draw that the
// algorithms describe as rand()/srand() comes from here, so runs are reproducible from a seed.
constexpr int RAND_MAX15 = 32767;

int Rand();                // 0..32767
void SeedRand(unsigned seed);

// r / 32768.0 * n truncated (0..n-1 for n > 0, 0 for n = 0); seeds the generator from the clock on its first call.
int RandomInt(int n);

// A draw below n (0..n-1; n <= 0 draws once and gives 0, as RandomInt(0) does) where n may pass what RandomInt can reach: RandomInt
// yields at most 32,768 distinct values, so a larger range would leave most of its values
// undrawn. Up to 32,768 this is RandomInt(n) itself, draw for draw. Above, two draws of the
// same generator make a 30-bit fraction (the first the high part), three a 45-bit one and
// four a 60-bit one, as many as the range needs, scaled to n and truncated as RandomInt
// scales its one draw. Ranges beyond 2^60 are reached in steps of n / 2^60. Seeds like
// RandomInt.
long long RandomIntWide(long long n);

// rand() / 32767.0: a value from 0.0 to 1.0, both ends included. Its own first call seeds the
// generator from the clock, also when RandomInt has seeded it before; each of the two keeps
// its own flag.
double RandomUnit();

// Forget that RandomInt and RandomUnit have seeded the generator and put the state back to its start value 1,
// as in a fresh process.
void ResetRandomForTests();
