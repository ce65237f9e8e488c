#pragma once

#include <new>
#include <utility>

#include "core/error.h"

// Runs f; a failed allocation inside it leaves as CalcError(2), as every allocation failure
// of the reduct code is reported.
template <class F>
decltype(auto) OrOutOfMemory(F&& f) {
    try {
        return std::forward<F>(f)();
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
}
