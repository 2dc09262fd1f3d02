#pragma once
// The design properties of one object (MSysObjects.LvProp), read with
// bounds checks: 'KKD\0' (Jet 3) or 'MR2\0' (Jet 4), a chunk of property
// names, then one chunk of values for the object itself and one for each
// of its columns.

#include "reader/jetfile/TableDefinition.h"

#include <string_view>

namespace jetfile {

// A property name of the block's names chunk.
struct PropertyName {
    std::span<const std::uint8_t> stored;   // as stored
    std::string ascii;                      // the name when it is plain ASCII, else empty
};

// One stored property: its name, the Jet storage type of its value (the
// column type codes: 1 Boolean ... 12 Memo, 15 GUID, 16 Decimal) and the
// value's bytes as stored. Texts, names included, are in the database's
// code page (Jet 3) or UTF-16LE, possibly compressed (Jet 4).
struct Property {
    std::size_t name = 0;                   // into PropertyBlock::names
    int type = 0;
    std::span<const std::uint8_t> bytes;
};

// The properties of the object (an empty target) or of one of its columns.
struct PropertySet {
    std::span<const std::uint8_t> target;   // the column's stored name; empty for the object
    std::vector<Property> properties;       // in stored order
};

// A block read. Its names, targets and values are parts of the bytes it
// was read from, which must outlive it.
struct PropertyBlock {
    std::vector<PropertyName> names;
    std::vector<PropertySet> sets;
    // Why a part of the block could not be read (the first damage met);
    // empty when it was read whole.
    std::string damage;

    const PropertyName &name(const Property &p) const { return names[p.name]; }
    // The first property of `set` with that (ASCII) name, or null.
    const Property *value(const PropertySet &set, std::string_view name) const;
};

// Reads a block, keeping the properties named in `wanted` (all when empty).
// Damage costs what it touches: a chunk of unknown kind or an entry naming
// no stored name is passed over (a first chunk of unknown kind that reads
// as names whole is taken for the names, which stand first), a length out
// of range ends the reading; the block keeps the rest and says why in
// `damage`. Nothing, with
// `problem` saying why, when the bytes are no property block at all.
std::optional<PropertyBlock> parsePropertyBlock(std::span<const std::uint8_t> bytes, Format format,
                                                std::span<const std::string_view> wanted = {},
                                                std::string *problem = nullptr);

}  // namespace jetfile
