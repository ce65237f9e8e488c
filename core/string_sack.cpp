#include "core/string_sack.h"

#include <cstring>

#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"

void TStringSack::AddElem(std::string s) {
    if (count + 1 >= capacity) capacity += step;
    data.push_back(std::move(s));
    ++count;
}

const char* TStringSack::GetElem(int i) const {
    if (i < 0 || i >= count) {
        LogMessage("Bad number of element in TStringSack::GetElem ");
        throw CalcError(5);
    }
    return data[static_cast<size_t>(i)].c_str();
}

// A line ends at a line feed; a carriage return before it belongs to the line end, so files
// written on other systems read the same. A line of any length stays one element: splitting
// it would shift every later parameter onto the wrong position.
void TStringSack::Load(const char* fileName) {
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        LogMessage("Error: Can't open file with string sack");
        throw CalcErrorText(6, fileName);
    }
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        size_t len = end - pos;
        if (len > 0 && text[end - 1] == '\r') --len;
        // A C string stops at its first NUL, as the line buffer of old did.
        const char* start = text.data() + pos;
        len = strnlen(start, len);
        if (len > 0) AddElem(std::string(start, len));
        pos = end + 1;
    }
}
