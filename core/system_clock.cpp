#include <ctime>

#include "core/clock.h"

long long ClockSeconds() { return static_cast<long long>(std::time(nullptr)); }
