#pragma once
// Little-endian numbers in a Jet file's bytes. The caller has checked that
// the bytes at `at` are there.

#include <cstddef>
#include <cstdint>
#include <span>

namespace jetfile {

inline std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint16_t(b[at] | (b[at + 1] << 8));
}

inline std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}

}  // namespace jetfile
