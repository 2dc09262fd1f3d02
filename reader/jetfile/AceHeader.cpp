#include "reader/jetfile/AceHeader.h"

#include "reader/jetfile/LittleEndian.h"

namespace jetfile {

namespace {

constexpr std::size_t VersionOffset = 0x14;
constexpr std::size_t HeaderEnd = 0x18 + 128;         // the end of the RC4-masked header range
constexpr std::size_t EncryptionInfoOffset = 0x299;   // u16 length, then u16 major, u16 minor

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
    if (bytes.size() < HeaderEnd)
        return fail(problem, "the file ends inside its header page");

    AceHeader header;
    header.generation = AceGeneration(version);
    // The encoding key Jet 4 uses for its own page encoding marks Office
    // encryption in an ACE file.
    header.encrypted = jet->databaseKey != 0;
    if (header.encrypted && bytes.size() >= EncryptionInfoOffset + 6 && u16(bytes, EncryptionInfoOffset) >= 4) {
        header.encryptionMajor = u16(bytes, EncryptionInfoOffset + 2);
        header.encryptionMinor = u16(bytes, EncryptionInfoOffset + 4);
    }
    return header;
}

}  // namespace jetfile
