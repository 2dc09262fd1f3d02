#include "reader/jetfile/TableDefinition.h"

#include "reader/jetfile/LittleEndian.h"

#include <algorithm>

namespace jetfile {

namespace {

// Where the parts of a definition lie, by format.
struct Layout {
    std::size_t tableType, columnCount, indexCount, realIndexCount, realIndexesStart;
    std::size_t realIndexHeader;    // bytes before a real index's definition
    std::size_t realIndexEntry;     // the short entries before the columns
    std::size_t columnEntry, columnNumber, columnPrecision, columnFlags, columnSize;
    std::size_t nameLength;         // bytes of a name's length
    std::size_t realIndexDefinition, realIndexFlags;
    std::size_t indexEntry, indexReal, indexType;
};
constexpr Layout Jet3Layout{20, 25, 27, 31, 43, 0, 8, 18, 1, 9, 13, 16, 1, 39, 38, 20, 4, 19};
constexpr Layout Jet4Layout{40, 45, 47, 51, 63, 4, 12, 25, 5, 11, 15, 23, 2, 52, 46, 28, 8, 23};
// Jet 4 and ACE column entries only.
constexpr std::size_t ColumnExtraFlags = 16;
constexpr std::size_t ColumnComplexId = 11;

constexpr std::size_t PageHeader = 8;
constexpr std::uint8_t DefinitionPage = 0x02;
constexpr std::size_t MaxChainPages = 256;
constexpr std::size_t IndexColumnSlots = 10;
constexpr std::uint16_t NoColumn = 0xFFFF;
constexpr std::uint8_t AscendingColumn = 0x01;   // bit of the byte after a key column's number

// Reads little-endian values and names from a byte range; every read is
// checked, and the first read past the end makes the cursor fail for good.
class Cursor {
public:
    Cursor(std::span<const std::uint8_t> bytes, std::size_t at) : m_bytes(bytes), m_at(at) {}

    bool ok() const { return m_ok; }
    std::size_t at() const { return m_at; }

    bool has(std::size_t n) const { return m_ok && m_at <= m_bytes.size() && m_bytes.size() - m_at >= n; }

    std::uint32_t number(std::size_t width)
    {
        if (!has(width)) {
            m_ok = false;
            return 0;
        }
        std::uint32_t v = 0;
        for (std::size_t i = width; i-- > 0;)
            v = (v << 8) | m_bytes[m_at + i];
        m_at += width;
        return v;
    }

    std::span<const std::uint8_t> take(std::size_t n)
    {
        if (!has(n)) {
            m_ok = false;
            return {};
        }
        auto part = m_bytes.subspan(m_at, n);
        m_at += n;
        return part;
    }

    StoredName name(std::size_t lengthWidth)
    {
        const std::size_t length = number(lengthWidth);
        const auto bytes = take(length);
        return StoredName(bytes.begin(), bytes.end());
    }

    void skip(std::size_t n) { take(n); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at;
    bool m_ok = true;
};

template <class T>
std::optional<T> fail(std::string *problem, const char *why)
{
    if (problem)
        *problem = why;
    return std::nullopt;
}

}  // namespace

std::optional<TableDefinition> parseTableDefinition(std::span<const std::uint8_t> bytes, Format format,
                                                    std::string *problem)
{
    const Layout &l = format == Format::Jet3 ? Jet3Layout : Jet4Layout;
    if (bytes.size() < l.realIndexesStart)
        return fail<TableDefinition>(problem, "table definition too short");
    if (bytes[0] != DefinitionPage)
        return fail<TableDefinition>(problem, "not a table definition page");

    TableDefinition def;
    def.tableType = bytes[l.tableType];
    const std::uint16_t columnCount = u16(bytes, l.columnCount);
    const std::uint32_t indexCount = u32(bytes, l.indexCount);
    const std::uint32_t realIndexCount = u32(bytes, l.realIndexCount);
    // Jet allows 255 columns and 32 indexes a table; more is damage.
    if (columnCount > 255 || indexCount > 255 || realIndexCount > 255)
        return fail<TableDefinition>(problem, "table definition counts out of range");

    def.columns.reserve(columnCount);
    def.realIndexes.reserve(realIndexCount);
    def.indexes.reserve(indexCount);
    Cursor c(bytes, l.realIndexesStart);
    c.skip(std::size_t(realIndexCount) * l.realIndexEntry);
    for (std::uint16_t i = 0; i < columnCount && c.ok(); ++i) {
        const auto entry = c.take(l.columnEntry);
        if (!c.ok())
            break;
        ColumnEntry column;
        column.type = entry[0];
        column.number = u16(entry, l.columnNumber);
        column.flags = entry[l.columnFlags];
        column.size = u16(entry, l.columnSize);
        // The scale follows the precision.
        column.precision = entry[l.columnPrecision];
        column.scale = entry[l.columnPrecision + 1];
        if (format != Format::Jet3)
            column.extraFlags = entry[ColumnExtraFlags];
        if (format == Format::Ace && column.type == ComplexColumnType)
            column.complexId = std::int32_t(u32(entry, ColumnComplexId));
        def.columns.push_back(std::move(column));
    }
    for (ColumnEntry &column : def.columns)
        column.name = c.name(l.nameLength);
    if (!c.ok())
        return fail<TableDefinition>(problem, "column entries run past the table definition");

    for (std::uint32_t i = 0; i < realIndexCount && c.ok(); ++i) {
        const auto entry = c.take(l.realIndexDefinition);
        if (!c.ok())
            break;
        RealIndex index;
        for (std::size_t slot = 0; slot < IndexColumnSlots; ++slot) {
            const std::size_t at = l.realIndexHeader + slot * 3;
            const std::uint16_t number = u16(entry, at);
            if (number != NoColumn) {
                index.columns.push_back(number);
                index.descending.push_back(!(entry[at + 2] & AscendingColumn));
            }
        }
        index.flags = entry[l.realIndexFlags];
        def.realIndexes.push_back(std::move(index));
    }
    for (std::uint32_t i = 0; i < indexCount && c.ok(); ++i) {
        const auto entry = c.take(l.indexEntry);
        if (!c.ok())
            break;
        LogicalIndex index;
        const std::uint32_t real = u32(entry, l.indexReal);
        index.realIndex = real < realIndexCount ? int(real) : -1;
        index.type = entry[l.indexType];
        def.indexes.push_back(std::move(index));
    }
    for (LogicalIndex &index : def.indexes)
        index.name = c.name(l.nameLength);
    if (!c.ok())
        return fail<TableDefinition>(problem, "index entries run past the table definition");
    return def;
}

std::optional<std::vector<std::uint8_t>> readTableDefinitionChain(std::uint32_t firstPage, int pageSize,
                                                                  const PageReader &readPage,
                                                                  std::string *problem)
{
    using Bytes = std::vector<std::uint8_t>;
    if (pageSize < 64 || pageSize > 65536)
        return fail<Bytes>(problem, "page size out of range");
    // Each page is read straight onto the end of the chain; a continuation
    // page's header is then dropped.
    const auto size = std::size_t(pageSize);
    std::vector<std::uint8_t> chain;
    chain.reserve(size);
    std::vector<std::uint32_t> seen;
    std::uint32_t number = firstPage;
    while (true) {
        if (number == 0 || std::find(seen.begin(), seen.end(), number) != seen.end())
            return fail<Bytes>(problem, "table definition pages form a loop");
        seen.push_back(number);
        if (seen.size() > MaxChainPages)
            return fail<Bytes>(problem, "table definition chain too long");
        const std::size_t at = chain.size();
        chain.resize(at + size);
        const std::span<std::uint8_t> page(chain.data() + at, size);
        if (!readPage(number, page))
            return fail<Bytes>(problem, "table definition page cannot be read");
        if (page[0] != DefinitionPage)
            return fail<Bytes>(problem, "not a table definition page");
        number = u32(page, 4);
        if (at != 0)
            chain.erase(chain.begin() + std::ptrdiff_t(at), chain.begin() + std::ptrdiff_t(at + PageHeader));
        if (number == 0)
            return chain;
    }
}

}  // namespace jetfile
