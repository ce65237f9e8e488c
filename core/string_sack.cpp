#include "core/string_sack.h"

#include <string_view>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text_lines.h"
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

// A line of any length stays one element: splitting it would shift every later parameter
// onto the wrong position.
void TStringSack::Load(const char* fileName) {
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        LogMessage("Error: Can't open file with string sack");
        throw CalcErrorText(6, fileName);
    }
    size_t pos = 0;
    std::string_view line;
    while (NextTextLine(text, pos, line)) {
        if (!line.empty()) AddElem(std::string(line));
    }
}
