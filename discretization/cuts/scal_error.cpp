#include "discretization/cuts/scal_error.h"

namespace {

const char* FixedText(int code) {
    switch (code) {
        case 2: return "Error: Not enough memory!!!";
        case 6: return "Error: Can't load file!!!";
        case 7: return "Error: Can't save file!!!";
        case 10: return "Error: Too many attributes in file of cuts!!!";
        case 11: return "Error: TScaler provides only one method of scaling (method=0)!!!";
        default: return "";
    }
}

}  // namespace

ScalError::ScalError(int code) { Set(code, FixedText(code)); }

ScalError::ScalError(int code, const char* fileName) {
    switch (code) {
        case 6: Set(code, "Error: Can't load file... ", fileName); break;
        case 7: Set(code, "Error: Can't save file... ", fileName); break;
        default: Set(code, FixedText(code)); break;
    }
}
