// Fuzzes the property-block reader in both formats, with and without a
// list of wanted names.
#include "wizard/engine/jetfile/PropertyBlock.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static constexpr std::string_view wanted[] = {"Required", "DefaultValue"};
    for (const auto format : {jetfile::Format::Jet3, jetfile::Format::Jet4}) {
        jetfile::parsePropertyBlock(std::span(data, size), format);
        if (const auto sets = jetfile::parsePropertyBlock(std::span(data, size), format, wanted)) {
            for (const jetfile::PropertySet &set : *sets) {
                for (const auto &[name, value] : set.values) {
                    if (name != "Required" && name != "DefaultValue")
                        std::abort();
                }
            }
        }
    }
    return 0;
}
