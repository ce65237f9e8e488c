#include <gtest/gtest.h>

#include <climits>

#include "core/text_number.h"

namespace {

TEST(TextToInt, StandardConversionRules) {
    EXPECT_EQ(TextToInt("12"), 12);
    EXPECT_EQ(TextToInt("  -7xyz"), -7);
    EXPECT_EQ(TextToInt("+3"), 3);
    EXPECT_EQ(TextToInt("abc"), 0);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("1.9"), 1);
}

TEST(TextToInt, OverflowIsClamped) {
    EXPECT_EQ(TextToInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(TextToInt("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(TextToInt("2147483648"), INT_MAX);
    EXPECT_EQ(TextToInt("2147483647"), INT_MAX);
}

TEST(TextToDouble, StandardConversionRules) {
    EXPECT_DOUBLE_EQ(TextToDouble(" 0.25 rest"), 0.25);
    EXPECT_DOUBLE_EQ(TextToDouble("1e-1"), 0.1);
    EXPECT_DOUBLE_EQ(TextToDouble("x"), 0.0);
    EXPECT_DOUBLE_EQ(TextToDouble("-3"), -3.0);
}

}  // namespace
