#pragma once

#include <gtest/gtest.h>

#include "core/random.h"
#include "ltfc/universal_random.h"
#include "tests/support/fixed_clock.h"

// Both generators as a fresh process has them, and the clock pinned, around every test, so
// that a given second yields a fixed draw sequence.
class FreshGeneratorsTest : public ::testing::Test {
protected:
    static constexpr long long kSecond = 1700000000;

    void SetUp() override {
        SetFixedClockSecond(kSecond);
        Reset();
    }
    void TearDown() override {
        Reset();
        SetFixedClockSecond(-1);
    }

private:
    static void Reset() {
        ResetRanmarForTests();
        ResetRandomForTests();
    }
};
