#include "core/text_number.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

int TextToInt(const char* text) {
    errno = 0;
    long long v = std::strtoll(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

double TextToDouble(const char* text) { return std::strtod(text, nullptr); }
