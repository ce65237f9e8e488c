#include "core/dict_error.h"

namespace {

const char* FixedText(int code) {
    switch (code) {
        case 2: return "Error: Not enough memory!!!";
        case 5: return "Error: Passed arguments are out of range...";
        case 6: return "Error: Can not open the file...";
        case 7: return "Error: Can not save the file...";
        case 10: return "Error: Bad format of dictionary!!! (contains more than two elements in one row)";
        case 32: return "Error: Data must be in a form of matrix with no missing elements!!!";
        case 33: return "Error: Element not found";
        default: return "";
    }
}

int KeptCode(int code) {
    switch (code) {
        case 32: return 10;
        case 33: return 5;
        default: return code;
    }
}

}  // namespace

DictError::DictError(int code) { Set(KeptCode(code), FixedText(code)); }

DictError::DictError(int code, const char* fileName) {
    switch (code) {
        case 6: Set(code, "Error: Can not open the file... ", fileName); break;
        case 7: Set(code, "Error: Can not save the file... ", fileName); break;
        default: Set(KeptCode(code), FixedText(code)); break;
    }
}
