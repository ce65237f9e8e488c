#pragma once

#include <cstddef>
#include <string>

// Reads whitespace-separated numbers from a text already in memory, with the rules of a
// formatted stream extraction: white space (blank, tab, line feed, carriage return,
// vertical tab, form feed) is skipped, an optional sign and at least one digit make a
// number, reading stops at the first character that is not a digit, and a number beyond
// the int range is a failure. Parsing a whole file from a buffer keeps large loads linear.
class TextScanner {
public:
    enum class Read {
        Ok,       // a number was read and more text follows it
        OkAtEnd,  // a number was read and its digits ran up to the end of the text
        Fail,     // no number here (end of text, a stray character, or out of range)
    };

    TextScanner(const char* begin, const char* end) : pos(begin), end(end) {}

    Read ReadInt(int& value);
    // The same for a 64-bit integer (counts that pass the int range).
    Read ReadInt64(long long& value);

    // A single-precision number as a formatted stream reads one: an optional sign, digits
    // with an optional decimal point (at least one digit in all), an optional exponent that
    // must hold digits; a value beyond the float range is a failure.
    Read ReadFloat(float& value);
    // The same in double precision.
    Read ReadDouble(double& value);

    // Skips white space; true when nothing else is left.
    bool AtEndAfterBlanks();

    // Skips one line of at most maxChars characters and its line end. False when the line
    // is longer (nothing after it can then be read) or the text ends before a line end.
    bool SkipLine(std::size_t maxChars);

    // The next character that is not white space, as a formatted character extraction
    // takes it; false at the end of the text.
    bool ReadChar(char& c);

    // The next run of characters that are not white space, as a formatted string extraction
    // takes it; false when nothing but white space is left.
    bool ReadWord(std::string& word);

    std::size_t Remaining() const { return static_cast<std::size_t>(end - pos); }

private:
    template <class Int>
    Read ReadInteger(Int& value);
    template <class Real>
    Read ReadReal(Real& value);

    const char* pos;
    const char* end;
};
