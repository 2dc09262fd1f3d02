#pragma once
// The design properties of one object (MSysObjects.LvProp), read with
// bounds checks: 'KKD\0' (Jet 3) or 'MR2\0' (Jet 4), a chunk of property
// names, then one chunk of values for the object itself and one for each
// of its columns.

#include "wizard/engine/jetfile/TableDefinition.h"

#include <string_view>

namespace jetfile {

// One stored property: its name, the Jet storage type of its value (the
// column type codes: 1 Boolean ... 12 Memo, 15 GUID, 16 Decimal) and the
// value's bytes as stored. Texts, names included, are in the database's
// code page (Jet 3) or UTF-16LE, possibly compressed (Jet 4).
struct Property {
    StoredName name;
    std::string asciiName;              // the name when it is plain ASCII, else empty
    int type = 0;
    std::vector<std::uint8_t> bytes;
};

// The properties of the object (an empty target) or of one of its columns.
struct PropertySet {
    StoredName target;                  // the column's stored name; empty for the object
    std::vector<Property> properties;   // in stored order

    // The first property of that (ASCII) name, or null.
    const Property *value(std::string_view name) const
    {
        for (const Property &p : properties) {
            if (p.asciiName == name)
                return &p;
        }
        return nullptr;
    }
};

// Reads a block, keeping the properties named in `wanted` (all when empty).
std::optional<std::vector<PropertySet>> parsePropertyBlock(std::span<const std::uint8_t> bytes, Format format,
                                                           std::span<const std::string_view> wanted = {},
                                                           std::string *problem = nullptr);

}  // namespace jetfile
