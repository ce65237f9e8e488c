#pragma once

#include <new>
#include <utility>

#include "core/error.h"

// Runs f; a failed allocation inside it leaves as Err(2): CalcError(2) by default, as every
// allocation failure of the reduct code is reported; subsystems with error classes of their
// own name theirs.
template <class Err = CalcError, class F>
decltype(auto) OrOutOfMemory(F&& f) {
    try {
        return std::forward<F>(f)();
    } catch (const std::bad_alloc&) {
        throw Err(2);
    }
}
