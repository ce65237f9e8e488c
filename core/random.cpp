#include "core/random.h"

#include "core/clock.h"

namespace {
unsigned g_state = 1;
bool g_randomIntSeeded = false;
}  // namespace

int Rand() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

void SeedRand(unsigned seed) { g_state = seed; }

int RandomInt(int n) {
    if (!g_randomIntSeeded) {
        g_randomIntSeeded = true;
        SeedRand(static_cast<unsigned>(ClockSeconds()));
    }
    int r = Rand();
    return static_cast<int>(r / 32768.0 * n);
}

void ResetRandomForTests() {
    g_state = 1;
    g_randomIntSeeded = false;
}
