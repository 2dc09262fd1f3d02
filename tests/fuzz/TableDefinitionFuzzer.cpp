// Fuzzes the table-definition reader: the input's first byte picks the
// format, the rest is read once as a definition and once as a file of
// 256-byte pages whose chain starts at page 1.
#include "reader/jetfile/TableDefinition.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const auto format = data[0] & 1 ? jetfile::Format::Jet4 : jetfile::Format::Jet3;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);

    if (const auto def = jetfile::parseTableDefinition(bytes, format)) {
        for (const jetfile::LogicalIndex &index : def->indexes) {
            if (index.realIndex >= int(def->realIndexes.size()))
                std::abort();
        }
    }

    constexpr int PageSize = 256;
    const auto readPage = [&](std::uint32_t number, std::span<std::uint8_t> page) {
        const std::size_t at = std::size_t(number) * PageSize;
        if (at >= bytes.size() || bytes.size() - at < PageSize)
            return false;
        std::memcpy(page.data(), bytes.data() + at, PageSize);
        return true;
    };
    if (const auto chain = jetfile::readTableDefinitionChain(1, PageSize, readPage))
        jetfile::parseTableDefinition(*chain, format);
    return 0;
}
