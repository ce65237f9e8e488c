#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "core/random.h"
#include "discretization/templates/gen_templ.h"

// RandomInt seeds itself from the clock on its first call; that call is spent here so that
// the seed set afterwards holds.
inline void PinRandom(unsigned seed) {
    RandomInt(1);
    SeedRand(seed);
}

inline std::string Printed(const TGenTempl& t) {
    testing::internal::CaptureStdout();
    t.Print();
    return testing::internal::GetCapturedStdout();
}

inline TGenTempl Template(std::initializer_list<std::pair<int, int>> pairs) {
    TGenTempl t;
    for (auto [a, v] : pairs) t.AddDescriptor(a, v);
    return t;
}
