// Fuzzes the property-block reader in both formats, with and without a
// list of wanted names.
#include "reader/jetfile/PropertyBlock.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static constexpr std::string_view wanted[] = {"Required", "DefaultValue"};
    for (const auto format : {jetfile::Format::Jet3, jetfile::Format::Jet4}) {
        jetfile::parsePropertyBlock(std::span(data, size), format);
        if (const auto block = jetfile::parsePropertyBlock(std::span(data, size), format, wanted)) {
            for (const jetfile::PropertySet &set : block->sets) {
                for (const jetfile::Property &p : set.properties) {
                    const std::string &name = block->name(p).ascii;
                    if (name != "Required" && name != "DefaultValue")
                        std::abort();
                    // Names and values lie inside the input.
                    if (p.bytes.data() < data || p.bytes.data() + p.bytes.size() > data + size)
                        std::abort();
                }
            }
        }
    }
    return 0;
}
