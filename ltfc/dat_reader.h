#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559,
              "the binary files of the network code hold IEEE single-precision floats");

// Fields of the network code's binary files, read from a buffer holding the whole file:
// little-endian 32-bit words whatever the host, each checked against the bytes present. A
// read past the end throws ShortRead, the exception the file's own reader reports.
template <class ShortRead>
class DatReader {
public:
    explicit DatReader(const std::string& bytes) : data(bytes) {}

    size_t Left() const { return data.size() - at; }

    std::int32_t Int() { return std::bit_cast<std::int32_t>(Word(Take(4))); }

    float Float() { return std::bit_cast<float>(Word(Take(4))); }

    unsigned char Byte() { return *Take(1); }

    // The next n bytes as they stand.
    const unsigned char* Take(size_t n) {
        if (Left() < n) throw ShortRead();
        const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
        at += n;
        return p;
    }

    // n floats into out, with one check for all of them.
    void Floats(float* out, size_t n) {
        if (Left() / 4 < n) throw ShortRead();
        const unsigned char* p = Take(n * 4);
        for (size_t i = 0; i < n; ++i, p += 4) out[i] = std::bit_cast<float>(Word(p));
    }

private:
    static std::uint32_t Word(const unsigned char* p) {
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }

    const std::string& data;
    size_t at = 0;
};
