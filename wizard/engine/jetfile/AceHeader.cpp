#include "wizard/engine/jetfile/AceHeader.h"

#include <algorithm>
#include <array>

namespace jetfile {

namespace {

constexpr std::size_t VersionOffset = 0x14;
constexpr std::size_t EncryptedStart = 0x18;
constexpr std::size_t EncryptedLength = 128;
constexpr std::size_t EncodingKeyOffset = 0x3E;
constexpr std::size_t EncryptionInfoOffset = 0x299;   // u16 length, then u16 major, u16 minor
constexpr std::array<std::uint8_t, 4> HeaderKey{0xC7, 0xDA, 0x39, 0x6B};

std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) { return std::uint16_t(b[at] | (b[at + 1] << 8)); }

std::optional<AceHeader> fail(std::string *problem, std::string why)
{
    if (problem)
        *problem = std::move(why);
    return std::nullopt;
}

}  // namespace

int aceVersion(AceGeneration generation)
{
    switch (generation) {
    case AceGeneration::Ace12: return 12;
    case AceGeneration::Ace14: return 14;
    case AceGeneration::Ace15: return 15;
    case AceGeneration::Ace16: return 16;
    case AceGeneration::Ace17: return 17;
    }
    return 0;
}

std::optional<AceHeader> parseAceHeader(std::span<const std::uint8_t> bytes, std::string *problem)
{
    std::string why;
    const std::optional<Header> jet = parseHeader(bytes, &why);
    if (!jet)
        return fail(problem, why);
    if (jet->format != Format::Ace)
        return fail(problem, "not an ACE database");
    const int version = bytes[VersionOffset];
    if (version < int(AceGeneration::Ace12) || version > int(AceGeneration::Ace17))
        return fail(problem, "an ACE version this program does not know (" + std::to_string(version) + ")");
    if (bytes.size() < EncryptedStart + EncryptedLength)
        return fail(problem, "the file ends inside its header page");

    AceHeader header;
    header.generation = AceGeneration(version);
    std::array<std::uint8_t, EncryptedLength> plain;
    std::copy_n(bytes.begin() + EncryptedStart, EncryptedLength, plain.begin());
    rc4(HeaderKey, plain);
    const std::size_t key = EncodingKeyOffset - EncryptedStart;
    header.encrypted = (plain[key] | plain[key + 1] | plain[key + 2] | plain[key + 3]) != 0;
    if (header.encrypted && bytes.size() >= EncryptionInfoOffset + 6 && u16(bytes, EncryptionInfoOffset) >= 4) {
        header.encryptionMajor = u16(bytes, EncryptionInfoOffset + 2);
        header.encryptionMinor = u16(bytes, EncryptionInfoOffset + 4);
    }
    return header;
}

}  // namespace jetfile
