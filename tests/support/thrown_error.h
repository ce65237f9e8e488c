#pragma once

#include <gtest/gtest.h>

#include "core/error.h"

// The Error that f throws, for checking its code and message. When f throws nothing the
// test fails (and an Error of code 1 is returned, so that the caller can go on).
template <class F>
Error ThrownError(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no Error thrown";
    return CalcError(1);
}
