#pragma once

#include <string>
#include <vector>

#include "core/string_sack.h"

// A configuration as the entry hands it to a handler: the command word, then its lines.
inline TStringSack Config(const std::vector<std::string>& lines) {
    TStringSack config;
    for (const std::string& line : lines) config.AddElem(line);
    return config;
}
