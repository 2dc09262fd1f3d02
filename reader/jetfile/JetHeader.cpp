#include "reader/jetfile/JetHeader.h"

#include "reader/jetfile/LittleEndian.h"

#include <array>
#include <cmath>
#include <cstring>

namespace jetfile {

namespace {

constexpr std::size_t EncryptedStart = 0x18;
constexpr std::size_t PasswordOffset = 0x42;
constexpr std::size_t CodePageOffset = 0x3C;
constexpr std::size_t DatabaseKeyOffset = 0x3E;
constexpr std::size_t CreationDateOffset = 0x72;
constexpr std::array<std::uint8_t, 4> HeaderKey{0xC7, 0xDA, 0x39, 0x6B};  // 0x6B39DAC7, little-endian

bool fail(std::string *problem, const char *why)
{
    if (problem)
        *problem = why;
    return false;
}

// The Jet 4 password mask: the integer part of the creation date, as a
// little-endian 32-bit number. A date outside that range gives no mask.
std::array<std::uint8_t, 4> passwordMask(const std::uint8_t *dateBytes)
{
    double date;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | dateBytes[i];
    std::memcpy(&date, &bits, sizeof date);
    std::uint32_t whole = 0;
    if (std::isfinite(date) && date > -2147483649.0 && date < 2147483648.0)
        whole = std::uint32_t(std::int32_t(std::trunc(date)));
    return {std::uint8_t(whole), std::uint8_t(whole >> 8), std::uint8_t(whole >> 16),
            std::uint8_t(whole >> 24)};
}

}  // namespace

void rc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data)
{
    if (key.empty())
        return;
    std::array<std::uint8_t, 256> s;
    for (int i = 0; i < 256; ++i)
        s[std::size_t(i)] = std::uint8_t(i);
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < 256; ++i) {
        j = std::uint8_t(j + s[i] + key[i % key.size()]);
        std::swap(s[i], s[j]);
    }
    std::uint8_t a = 0, b = 0;
    for (std::uint8_t &byte : data) {
        a = std::uint8_t(a + 1);
        b = std::uint8_t(b + s[a]);
        std::swap(s[a], s[b]);
        byte ^= s[std::uint8_t(s[a] + s[b])];
    }
}

char16_t cp1252ToUtf16(std::uint8_t byte)
{
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return high[byte - 0x80];
    return char16_t(byte);
}

std::optional<Header> parseHeader(std::span<const std::uint8_t> bytes, std::string *problem)
{
    static constexpr std::uint8_t start[4] = {0x00, 0x01, 0x00, 0x00};
    if (bytes.size() < 0x18) {
        fail(problem, "the file is too short to be a database");
        return std::nullopt;
    }
    if (std::memcmp(bytes.data(), start, 4) != 0) {
        fail(problem, "the file does not start like a Jet database");
        return std::nullopt;
    }
    const char *signature = reinterpret_cast<const char *>(bytes.data() + 4);
    // Databases say "Standard Jet DB", workgroup information files "Jet System DB  ".
    const bool jet = std::memcmp(signature, "Standard Jet DB", 16) == 0 ||
                     std::memcmp(signature, "Jet System DB  ", 16) == 0;
    const bool ace = std::memcmp(signature, "Standard ACE DB", 16) == 0;
    if (!jet && !ace) {
        fail(problem, "the file has no Jet or ACE signature");
        return std::nullopt;
    }

    Header header;
    header.formatByte = bytes[0x14];
    const bool newer = ace || header.formatByte >= 2;
    header.format = newer ? Format::Ace : header.formatByte == 0 ? Format::Jet3 : Format::Jet4;
    header.pageSize = header.format == Format::Jet3 ? 2048 : 4096;

    const std::size_t encryptedLength = header.format == Format::Jet3 ? 126 : 128;
    if (bytes.size() < EncryptedStart + encryptedLength) {
        if (newer)
            return header;  // the caller that needs the key checks the length itself
        fail(problem, "the file ends inside its header page");
        return std::nullopt;
    }
    std::array<std::uint8_t, HeaderBytes> page{};
    std::memcpy(page.data(), bytes.data(), EncryptedStart + encryptedLength);
    rc4(HeaderKey, std::span(page.data() + EncryptedStart, encryptedLength));

    header.databaseKey = u32(page, DatabaseKeyOffset);
    if (newer)
        return header;  // a newer format: only its key is read here
    header.codePage = u16(page, CodePageOffset);

    if (header.format == Format::Jet3) {
        for (std::size_t i = 0; i < 20 && page[PasswordOffset + i] != 0; ++i)
            header.password.push_back(cp1252ToUtf16(page[PasswordOffset + i]));
    } else {
        const auto mask = passwordMask(page.data() + CreationDateOffset);
        std::array<std::uint8_t, 40> raw;
        for (std::size_t i = 0; i < raw.size(); ++i)
            raw[i] = page[PasswordOffset + i] ^ mask[i % 4];
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            const char16_t unit = char16_t(raw[i] | (raw[i + 1] << 8));
            if (unit == 0)
                break;
            header.password.push_back(unit);
        }
    }
    return header;
}

}  // namespace jetfile
