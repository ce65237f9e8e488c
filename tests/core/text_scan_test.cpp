#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "core/text_scan.h"

namespace {

using Read = TextScanner::Read;

template <class Int, class F>
std::pair<Read, Int> First(const std::string& text, F read) {
    TextScanner in(text.data(), text.data() + text.size());
    Int v = 7;
    const Read r = (in.*read)(v);
    return {r, v};
}

TEST(TextScanner, IntegersReadToTheEdgesOfTheirRange) {
    auto asInt = [](const std::string& t) { return First<int>(t, &TextScanner::ReadInt); };
    EXPECT_EQ(asInt(" 2147483647 "), std::make_pair(Read::Ok, INT_MAX));
    EXPECT_EQ(asInt("-2147483648"), std::make_pair(Read::OkAtEnd, INT_MIN));
    EXPECT_EQ(asInt("2147483648").first, Read::Fail);
    EXPECT_EQ(asInt("-2147483649").first, Read::Fail);
    EXPECT_EQ(asInt("+12x"), std::make_pair(Read::Ok, 12));
    EXPECT_EQ(asInt("-").first, Read::Fail);

    auto asLong = [](const std::string& t) { return First<long long>(t, &TextScanner::ReadInt64); };
    EXPECT_EQ(asLong("3000000000\n"), std::make_pair(Read::Ok, 3000000000LL));
    EXPECT_EQ(asLong("9223372036854775807"), std::make_pair(Read::OkAtEnd, LLONG_MAX));
    EXPECT_EQ(asLong("-9223372036854775808"), std::make_pair(Read::OkAtEnd, LLONG_MIN));
    EXPECT_EQ(asLong("9223372036854775808").first, Read::Fail);
    EXPECT_EQ(asLong("-9223372036854775809").first, Read::Fail);
    EXPECT_EQ(asLong("00000000000000000000042"), std::make_pair(Read::OkAtEnd, 42LL));
}

}  // namespace
