#pragma once

#include <memory>
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

// A T made from args, or CalcError(2) when it, or anything its constructor allocates,
// cannot be had.
template <class T, class... Args>
std::unique_ptr<T> MakeOrOutOfMemory(Args&&... args) {
    return OrOutOfMemory([&] {
        T* made = new (std::nothrow) T(std::forward<Args>(args)...);
        if (made == nullptr) throw CalcError(2);
        return std::unique_ptr<T>(made);
    });
}
