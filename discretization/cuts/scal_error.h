#pragma once

#include "core/error.h"

// The failure of cut search, scaling and the cuts file. It carries texts of its own, not
// CalcError's: the LOG shows which part of the program failed by its wording.
class ScalError : public Error {
public:
    explicit ScalError(int code);
    // Codes 6 and 7 name the file; the other codes keep their fixed text.
    ScalError(int code, const char* fileName);
};
