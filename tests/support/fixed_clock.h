#pragma once

// The test programs' clock: a fixed second, so that everything seeded from the clock repeats.
// Unit tests set it directly; the test build of the program reads it from the environment.
void SetFixedClockSecond(long long second);

// The millisecond clock of the test programs: the fixed second times 1000 unless a
// millisecond of its own is set (a negative value goes back to following the second).
void SetFixedClockMillisecond(long long millisecond);

// Name of the environment variable the test build of the program reads its second from.
inline constexpr const char* kFixedClockVariable = "VARNEL_TEST_CLOCK_SECOND";
