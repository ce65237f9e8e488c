#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// The next line of a text held in memory, starting at `pos`; false when the text is used
// up. A line ends at a line feed; a carriage return before it belongs to the line end, so
// files written on other systems read the same. A C string stops at its first NUL, as the
// line buffers of the text readers always did, so the line ends there too.
inline bool NextTextLine(std::string_view text, std::size_t& pos, std::string_view& line) {
    if (pos >= text.size()) return false;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::size_t len = end - pos;
    if (len > 0 && text[end - 1] == '\r') --len;
    const char* start = text.data() + pos;
    line = std::string_view(start, strnlen(start, len));
    pos = end + 1;
    return true;
}
