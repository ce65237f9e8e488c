#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "core/text_scan.h"

namespace {

using Read = TextScanner::Read;

template <class Int>
std::pair<Read, Int> First(const std::string& text, Read (TextScanner::*read)(Int&)) {
    TextScanner in(text.data(), text.data() + text.size());
    Int v = 7;
    const Read r = (in.*read)(v);
    return {r, v};
}

TEST(TextScanner, IntegersReadToTheEdgesOfTheirRange) {
    EXPECT_EQ(First(" 2147483647 ", &TextScanner::ReadInt), std::make_pair(Read::Ok, INT_MAX));
    EXPECT_EQ(First("-2147483648", &TextScanner::ReadInt), std::make_pair(Read::OkAtEnd, INT_MIN));
    EXPECT_EQ(First("2147483648", &TextScanner::ReadInt).first, Read::Fail);
    EXPECT_EQ(First("-2147483649", &TextScanner::ReadInt).first, Read::Fail);
    EXPECT_EQ(First("9223372036854775807", &TextScanner::ReadInt64), std::make_pair(Read::OkAtEnd, LLONG_MAX));
    EXPECT_EQ(First("-9223372036854775808\n", &TextScanner::ReadInt64), std::make_pair(Read::Ok, LLONG_MIN));
    EXPECT_EQ(First("9223372036854775808", &TextScanner::ReadInt64).first, Read::Fail);
    EXPECT_EQ(First("+00000000000000000000042", &TextScanner::ReadInt64), std::make_pair(Read::OkAtEnd, 42LL));
}

}  // namespace
