#pragma once
// The first page of a Jet database file, read with bounds checks: the file
// format, the page size, the code page of Jet 3 texts and the database
// password. Bytes 0x18 onwards (126 in Jet 3, 128 in Jet 4) are RC4-encrypted
// with the fixed key 0x6B39DAC7; the password lies inside them at 0x42.
// Plain C++ so that tabulo-schema-reader and the fuzz targets use it too.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace jetfile {

enum class Format { Jet3, Jet4, Ace };

struct Header {
    Format format = Format::Jet3;
    int formatByte = 0;         // byte 0x14: 0 Jet 3, 1 Jet 4, 2 and above ACE
    int pageSize = 2048;        // 2048 in Jet 3, 4096 from Jet 4 on
    std::uint16_t codePage = 0; // Windows code page of Jet 3 texts (0: not given)
    std::uint32_t databaseKey = 0; // non-zero: Jet 4 pages are encoded, ACE files Office-encrypted
    std::u16string password;    // the database password, empty when there is none
};

// How many bytes of the file parseHeader needs at most.
constexpr std::size_t HeaderBytes = 0x18 + 128;

// Reads the header from the file's first bytes. Answers nothing, with the
// reason in `problem`, for something that is not a Jet or ACE database.
std::optional<Header> parseHeader(std::span<const std::uint8_t> bytes, std::string *problem = nullptr);

// RC4 (the stream cipher Jet uses for its header and encrypted pages).
void rc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

// Windows-1252 byte to UTF-16 (Jet 3 passwords and names in that code page).
char16_t cp1252ToUtf16(std::uint8_t byte);

}  // namespace jetfile
