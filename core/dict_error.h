#pragma once

#include "core/error.h"

// The failure of the token reader and the dictionaries of imported text data. Its texts
// are its own; two codes are folded into the common ones so that the exit code stays
// within those the front end knows: 32 (the data is not a full matrix) leaves as 10 and
// 33 (a name, text or code that is not there) as 5.
class DictError : public Error {
public:
    explicit DictError(int code);
    // Codes 6 and 7 name the file; the other codes keep their fixed text.
    DictError(int code, const char* fileName);
};
