#include "core/random.h"

#include "core/clock.h"

namespace {
unsigned g_state = 1;
bool g_randomIntSeeded = false;
bool g_randomUnitSeeded = false;
}  // namespace

int Rand() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

void SeedRand(unsigned seed) { g_state = seed; }

namespace {
void SeedOnFirstDraw() {
    if (!g_randomIntSeeded) {
        g_randomIntSeeded = true;
        SeedRand(static_cast<unsigned>(ClockSeconds()));
    }
}
}  // namespace

int RandomInt(int n) {
    SeedOnFirstDraw();
    int r = Rand();
    return static_cast<int>(r / 32768.0 * n);
}

long long RandomIntWide(long long n) {
    if (n <= 32768) return RandomInt(n <= 0 ? 0 : static_cast<int>(n));
    SeedOnFirstDraw();
    unsigned long long r = static_cast<unsigned long long>(Rand());
    int bits = 15;
    do {
        r = (r << 15) | static_cast<unsigned long long>(Rand());
        bits += 15;
    } while (bits < 60 && (1ULL << bits) < static_cast<unsigned long long>(n));
    // r < 2^bits and n <= 2^63, so the product fits 128 bits; the shift is the division
    // by 2^bits, and the result is below n.
    const unsigned __int128 scaled = static_cast<unsigned __int128>(r) * static_cast<unsigned long long>(n);
    return static_cast<long long>(scaled >> bits);
}

double RandomUnit() {
    if (!g_randomUnitSeeded) {
        g_randomUnitSeeded = true;
        SeedRand(static_cast<unsigned>(ClockSeconds()));
    }
    return Rand() / 32767.0;
}

void ResetRandomForTests() {
    g_state = 1;
    g_randomIntSeeded = false;
    g_randomUnitSeeded = false;
}
