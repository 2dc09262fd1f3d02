#include "reader/jetfile/PropertyBlock.h"

#include "reader/jetfile/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace jetfile {

namespace {

constexpr std::uint16_t NamesChunk = 0x0080;
constexpr std::uint16_t ObjectChunk = 0x0000;
constexpr std::uint16_t ColumnChunk = 0x0001;
constexpr std::size_t ChunkHeader = 6;       // 32-bit length, 16-bit type
constexpr std::size_t EntryHeader = 8;       // length, ddl flag, type, name index, value length

// A property name as ASCII text: Jet 3 names are bytes, Jet 4 names UTF-16LE.
// Empty when the name holds anything else (the caller decodes those).
std::string asciiName(std::span<const std::uint8_t> stored, Format format)
{
    std::string name;
    if (format == Format::Jet3) {
        for (std::uint8_t c : stored) {
            if (c == 0 || c >= 0x80)
                return {};
            name.push_back(char(c));
        }
        return name;
    }
    if (stored.size() % 2 != 0)
        return {};
    for (std::size_t i = 0; i < stored.size(); i += 2) {
        if (stored[i + 1] != 0 || stored[i] == 0 || stored[i] >= 0x80)
            return {};
        name.push_back(char(stored[i]));
    }
    return name;
}

std::optional<PropertyBlock> fail(std::string *problem, const char *why)
{
    if (problem)
        *problem = why;
    return std::nullopt;
}

// Notes damage that costs a part of the block; the first is kept.
void note(PropertyBlock &block, const std::string &why)
{
    if (block.damage.empty())
        block.damage = why;
}

// The block read so far, with why the rest cannot be read.
PropertyBlock damaged(PropertyBlock &block, const char *why)
{
    note(block, why);
    return std::move(block);
}

struct Names {
    std::vector<PropertyName> names;
    bool whole = false;     // every byte of the chunk is a name or its length, none empty
};

// The names of a names chunk: 16-bit lengths, each followed by its name.
// Nothing when a name is cut off.
std::optional<Names> readNames(std::span<const std::uint8_t> chunk, Format format)
{
    Names result;
    result.whole = !chunk.empty();
    std::size_t p = 0;
    while (p + 2 <= chunk.size()) {
        const std::size_t n = u16(chunk, p);
        if (n > chunk.size() - p - 2)
            return std::nullopt;
        const auto stored = chunk.subspan(p + 2, n);
        result.whole = result.whole && n > 0 && (format == Format::Jet3 || n % 2 == 0);
        result.names.push_back(PropertyName{stored, asciiName(stored, format)});
        p += 2 + n;
    }
    result.whole = result.whole && p == chunk.size();
    return result;
}

}  // namespace

const Property *PropertyBlock::value(const PropertySet &set, std::string_view wantedName) const
{
    for (const Property &p : set.properties) {
        if (names[p.name].ascii == wantedName)
            return &p;
    }
    return nullptr;
}

std::optional<PropertyBlock> parsePropertyBlock(std::span<const std::uint8_t> bytes, Format format,
                                                std::span<const std::string_view> wanted, std::string *problem)
{
    if (bytes.size() < 4)
        return fail(problem, "property block too short");
    const char *magic = format == Format::Jet3 ? "KKD" : "MR2";
    if (std::memcmp(bytes.data(), magic, 4) != 0)
        return fail(problem, "not a property block");

    PropertyBlock block;
    // The names chunk in force: value entries count from its first name.
    std::size_t firstName = 0;
    std::vector<bool> kept;
    std::size_t at = 4;
    while (at < bytes.size()) {
        if (bytes.size() - at < ChunkHeader)
            return damaged(block, "property chunk header cut off");
        const std::uint32_t length = u32(bytes, at);
        const std::uint16_t type = u16(bytes, at + 4);
        if (length < ChunkHeader || length > bytes.size() - at)
            return damaged(block, "property chunk length out of range");
        const auto chunk = bytes.subspan(at + ChunkHeader, length - ChunkHeader);
        at += length;

        const bool first = block.names.empty() && block.sets.empty();
        if (type != NamesChunk && type != ObjectChunk && type != ColumnChunk) {
            // No other kind is written: a damaged type. The names stand
            // first in every block, so a first chunk that reads as names
            // whole is taken for them.
            note(block, "property chunk of unknown type " + std::to_string(type));
            const auto names = readNames(chunk, format);
            if (!first || !names || !names->whole)
                continue;
        }
        if (type != ObjectChunk && type != ColumnChunk) {
            auto names = readNames(chunk, format);
            if (!names)
                return damaged(block, "property name cut off");
            firstName = block.names.size();
            kept.clear();
            for (PropertyName &name : names->names) {
                kept.push_back(wanted.empty() || std::find(wanted.begin(), wanted.end(), name.ascii) != wanted.end());
                block.names.push_back(std::move(name));
            }
            continue;
        }

        // Value chunk: 32-bit length, the target's name, then the entries.
        if (chunk.size() < 6)
            return damaged(block, "property values header cut off");
        const std::size_t targetLength = u16(chunk, 4);
        if (targetLength > chunk.size() - 6)
            return damaged(block, "property target name cut off");
        PropertySet set;
        set.target = chunk.subspan(6, targetLength);
        std::size_t p = 6 + targetLength;
        while (p + EntryHeader <= chunk.size()) {
            const std::size_t entryLength = u16(chunk, p);
            const int valueType = chunk[p + 3];
            const std::size_t nameIndex = u16(chunk, p + 4);
            const std::size_t valueLength = u16(chunk, p + 6);
            if (entryLength < EntryHeader || entryLength > chunk.size() - p ||
                valueLength > entryLength - EntryHeader) {
                // The entries before it still name their column.
                block.sets.push_back(std::move(set));
                return damaged(block, "property entry length out of range");
            }
            if (nameIndex >= kept.size())
                note(block, "a property names no stored name");
            else if (kept[nameIndex])
                set.properties.push_back(Property{firstName + nameIndex, valueType,
                                                  chunk.subspan(p + EntryHeader, valueLength)});
            p += entryLength;
        }
        block.sets.push_back(std::move(set));
    }
    return block;
}

}  // namespace jetfile
