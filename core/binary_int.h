#pragma once

#include <cstdint>
#include <string>

// The binary files of the program hold 32-bit integers in little-endian byte order, whatever
// the byte order of the machine that reads or writes them.

inline void AppendInt32LE(std::string& out, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    out.append(bytes, 4);
}

inline std::int32_t Int32LEAt(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    const std::uint32_t v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                            (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return static_cast<std::int32_t>(v);
}
