#include "core/text_scan.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <type_traits>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

template <class Int>
TextScanner::Read TextScanner::ReadInteger(Int& value) {
    while (pos < end && IsBlank(*pos)) ++pos;
    bool negative = false;
    if (pos < end && (*pos == '+' || *pos == '-')) {
        negative = *pos == '-';
        ++pos;
    }
    if (pos == end || !IsDigit(*pos)) return Read::Fail;
    // Accumulated as a negative number so that the most negative value fits; the check comes
    // before each step, so the accumulator itself never overflows.
    const Int limit = negative ? std::numeric_limits<Int>::min() : -std::numeric_limits<Int>::max();
    Int v = 0;
    bool overflow = false;
    while (pos < end && IsDigit(*pos)) {
        const int digit = *pos - '0';
        if (!overflow) {
            if (v < (limit + digit) / 10) {
                overflow = true;
            } else {
                v = v * 10 - digit;
            }
        }
        ++pos;
    }
    if (overflow) return Read::Fail;
    value = negative ? v : -v;
    return pos == end ? Read::OkAtEnd : Read::Ok;
}

TextScanner::Read TextScanner::ReadInt(int& value) { return ReadInteger(value); }

TextScanner::Read TextScanner::ReadInt64(long long& value) { return ReadInteger(value); }

template <class Real>
TextScanner::Read TextScanner::ReadReal(Real& value) {
    while (pos < end && IsBlank(*pos)) ++pos;
    const char* p = pos;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    int digits = 0;
    while (p < end && IsDigit(*p)) ++p, ++digits;
    if (p < end && *p == '.') {
        ++p;
        while (p < end && IsDigit(*p)) ++p, ++digits;
    }
    if (digits == 0) return Read::Fail;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        if (p == end || !IsDigit(*p)) return Read::Fail;
        while (p < end && IsDigit(*p)) ++p;
    }
    // The text is not terminated where the number ends, so the conversion gets its own copy.
    const std::string word(pos, p);
    Real v;
    if constexpr (std::is_same_v<Real, float>) {
        v = std::strtof(word.c_str(), nullptr);
    } else {
        v = std::strtod(word.c_str(), nullptr);
    }
    if (std::isinf(v)) return Read::Fail;
    value = v;
    pos = p;
    return pos == end ? Read::OkAtEnd : Read::Ok;
}

TextScanner::Read TextScanner::ReadFloat(float& value) { return ReadReal(value); }

TextScanner::Read TextScanner::ReadDouble(double& value) { return ReadReal(value); }

bool TextScanner::AtEndAfterBlanks() {
    while (pos < end && IsBlank(*pos)) ++pos;
    return pos == end;
}

bool TextScanner::SkipLine(std::size_t maxChars) {
    std::size_t taken = 0;
    while (pos < end) {
        if (*pos == '\n') {
            ++pos;
            return true;
        }
        if (taken == maxChars) return false;
        ++pos;
        ++taken;
    }
    return false;
}

bool TextScanner::ReadWord(std::string& word) {
    while (pos < end && IsBlank(*pos)) ++pos;
    const char* start = pos;
    while (pos < end && !IsBlank(*pos)) ++pos;
    word.assign(start, pos);
    return pos != start;
}

bool TextScanner::ReadChar(char& c) {
    while (pos < end && IsBlank(*pos)) ++pos;
    if (pos == end) return false;
    c = *pos++;
    return true;
}
