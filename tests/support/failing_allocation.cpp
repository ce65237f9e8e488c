#include "tests/support/failing_allocation.h"

#include <new>

namespace {
bool failing = false;
}

FailingAllocation::FailingAllocation() { failing = true; }
FailingAllocation::~FailingAllocation() { failing = false; }

// They hand out memory from the throwing forms, so that every delete still matches its new.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    if (failing) return nullptr;
    try {
        return ::operator new(n);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    if (failing) return nullptr;
    try {
        return ::operator new[](n);
    } catch (...) {
        return nullptr;
    }
}
