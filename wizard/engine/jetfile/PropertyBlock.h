#pragma once
// The design properties of one object (MSysObjects.LvProp), read with
// bounds checks: 'KKD\0' (Jet 3) or 'MR2\0' (Jet 4), a chunk of property
// names, then one chunk of values for the object itself and one for each
// of its columns.

#include "wizard/engine/jetfile/TableDefinition.h"

#include <map>
#include <string_view>

namespace jetfile {

struct PropertyValue {
    int type = 0;                       // Jet storage type of the value
    std::vector<std::uint8_t> bytes;    // as stored; texts as names are (StoredName)
};

// The properties of the object (an empty target) or of one of its columns.
struct PropertySet {
    StoredName target;                  // the column's stored name; empty for the object
    // By property name; names that are not plain ASCII are left out, as no
    // property read here has one.
    std::map<std::string, PropertyValue> values;

    const PropertyValue *value(const std::string &name) const
    {
        const auto it = values.find(name);
        return it == values.end() ? nullptr : &it->second;
    }
};

// Reads a block, keeping the properties named in `wanted` (all when empty).
std::optional<std::vector<PropertySet>> parsePropertyBlock(std::span<const std::uint8_t> bytes, Format format,
                                                           std::span<const std::string_view> wanted = {},
                                                           std::string *problem = nullptr);

}  // namespace jetfile
