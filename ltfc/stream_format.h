#pragma once

#include <ios>
#include <ostream>

// Puts a stream into the notation a block of a network file is written in, whatever state the
// caller left it in, and restores the caller's state afterwards.
class StreamFormat {
public:
    // The stream's default notation with six significant digits.
    explicit StreamFormat(std::ostream& out) : StreamFormat(out, std::ios::fmtflags{}, 6) {}
    StreamFormat(std::ostream& out, std::ios::fmtflags notation, std::streamsize precision)
        : out(out), flags(out.flags()), oldPrecision(out.precision()), fill(out.fill()) {
        out.flags(std::ios::dec | std::ios::skipws | std::ios::right | notation);
        out.precision(precision);
        out.fill(' ');
    }
    ~StreamFormat() {
        out.flags(flags);
        out.precision(oldPrecision);
        out.fill(fill);
    }
    StreamFormat(const StreamFormat&) = delete;
    StreamFormat& operator=(const StreamFormat&) = delete;

private:
    std::ostream& out;
    std::ios::fmtflags flags;
    std::streamsize oldPrecision;
    char fill;
};
