#include <chrono>
#include <ctime>

#include "core/clock.h"

long long ClockSeconds() { return static_cast<long long>(std::time(nullptr)); }

long long ClockMilliseconds() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
