#include "tests/support/fixed_clock.h"

#include <cstdlib>

#include "core/clock.h"

namespace {
constexpr long long kDefaultSecond = 1000000000;
long long g_second = -1;
long long g_millisecond = -1;
}  // namespace

void SetFixedClockSecond(long long second) { g_second = second; }

void SetFixedClockMillisecond(long long millisecond) { g_millisecond = millisecond; }

long long ClockSeconds() {
    if (g_second >= 0) return g_second;
    const char* text = std::getenv(kFixedClockVariable);
    return text != nullptr ? std::strtoll(text, nullptr, 10) : kDefaultSecond;
}

long long ClockMilliseconds() { return g_millisecond >= 0 ? g_millisecond : ClockSeconds() * 1000; }
