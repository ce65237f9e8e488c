#pragma once

// The clock that seeds the random generators: seconds since the epoch. The shipped program
// links the system clock; the test programs link a fixed one so that seeded runs repeat.
long long ClockSeconds();
