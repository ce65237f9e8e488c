#include "core/error.h"

#include <cstring>
#include <initializer_list>

namespace {

const char* const kCalcMessages[] = {
    "Error: Unexpected critical error!",
    "Error: Not enough memory!",
    "Error: ACTION TERMINATED",
    "Error: Critical error!",
    "Error: Index out of range!",
    "Error: Can not load the file!",
    "Error: Can not save the file!",
    "Error: Number of elements exceeded maximum allowed number!",
    "Error: Improper arguments passed to function!",
    "Error: Bad format of file!",
    "Error: Not implemented yet!",
    "Error: Called function which requires decision table!",
    "Error: Bad syntax of script!",
    "Error: Can not open binary table!",
};
constexpr int kCalcCodes = sizeof(kCalcMessages) / sizeof(kCalcMessages[0]);

}  // namespace

void Error::Set(int newCode, const char* text) { Set(newCode, text, nullptr); }

// Over-long texts are cut at the array's end rather than written past it.
void Error::Set(int newCode, const char* prefix, const char* text) {
    code = newCode;
    size_t used = 0;
    for (const char* part : {prefix, text}) {
        if (part == nullptr) continue;
        size_t n = std::strlen(part);
        if (n > MessageSize - 1 - used) n = MessageSize - 1 - used;
        std::memcpy(message + used, part, n);
        used += n;
    }
    message[used] = '\0';
}

CalcError::CalcError(int code) {
    if (code < 1 || code > kCalcCodes) code = 1;
    Set(code, kCalcMessages[code - 1]);
}

CalcErrorText::CalcErrorText(int code, const char* text) {
    const char* prefix;
    switch (code) {
        case 6: prefix = "Error: Can not load the file: "; break;
        case 7: prefix = "Error: Can not save the file: "; break;
        case 11: prefix = "Error: Not implemented yet: "; break;
        default: prefix = "Error: Critical error: not signed error - "; break;
    }
    Set(code, prefix, text);
}
