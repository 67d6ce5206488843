#pragma once
// Little-endian fields of RIFF/WAVE files: reading them from bytes and appending them to a
// file image being built.
// Thread contract: pure functions.

#include <cstdint>
#include <cstring>
#include <vector>

namespace velisto::riff {

inline std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void append16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void append32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    const std::size_t at = out.size();
    out.resize(at + 4);
    put32(out.data() + at, v);
}
// A four-character chunk id. Resized and copied rather than inserted as a range, which
// GCC 12 at -O2 mistakes for an overflow (-Wstringop-overflow) when the vector is empty.
inline void appendId(std::vector<std::uint8_t>& out, const char* id)
{
    const std::size_t at = out.size();
    out.resize(at + 4);
    std::memcpy(out.data() + at, id, 4);
}
inline bool isId(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

} // namespace velisto::riff
