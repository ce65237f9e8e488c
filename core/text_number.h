#pragma once

// The standard text-to-number conversions of the configuration parameters: leading white
// space skipped, reading stops at the first character that does not fit, no number gives 0.
// Integers beyond the int range are clamped instead of overflowing.
int TextToInt(const char* text);
double TextToDouble(const char* text);
