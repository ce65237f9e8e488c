#pragma once

// The clock that seeds the random generators: seconds since the epoch. The shipped program
// links the system clock; the test programs link a fixed one so that seeded runs repeat.
long long ClockSeconds();

// The same clock in milliseconds since the epoch, for time stamps that measure how long a
// run took. Linked beside ClockSeconds, and fixed with it in the test programs.
long long ClockMilliseconds();
