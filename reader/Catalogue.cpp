#include "reader/Catalogue.h"

namespace reader {

namespace {
constexpr std::uint32_t CatalogueTablePage = 2;   // MSysObjects' definition page
constexpr std::uint32_t PageNumberBits = 0x00FFFFFF;
// The longest property block read. Jet stores each property value with a
// 16-bit length, and Access writes an object's block in a few kilobytes; a
// table of 255 fields with long descriptions, rules and lookups stays far
// below this. A longer one is damage or a bomb (a memo of a gigabyte is
// data, not design), and costs its properties rather than the memory.
constexpr std::size_t MaxPropertyBlock = std::size_t(16) << 20;
}  // namespace

bool Catalogue::read()
{
    auto catalogue = tableEntry(m_mdb, "MSysObjects", CatalogueTablePage);
    RowReader rows(m_mdb, catalogue.get(), {"Id", "Name", "Type", "Flags", "LvProp"});
    if (!rows.ok())
        return false;
    while (rows.next()) {
        const int type = int(toNumber(rows.text(2)));
        if (type == ObjectDatabase && rows.text(1) == "MSysDb") {
            m_databaseProperties =
                rows.longValue(4, MaxPropertyBlock, m_databasePropertiesDamage).value_or(std::vector<std::uint8_t>());
            continue;
        }
        if (type == ObjectQuery) {
            Query &query = m_queries.emplace_back();
            query.name = rows.text(1);
            query.id = toNumber(rows.text(0));
            query.flags = std::uint32_t(toNumber(rows.text(3)));
            query.properties =
                rows.longValue(4, MaxPropertyBlock, query.propertiesDamage).value_or(std::vector<std::uint8_t>());
            continue;
        }
        if (type != ObjectLocalTable && type != ObjectOdbcTable && type != ObjectLinkedTable)
            continue;
        Table table;
        table.name = rows.text(1);
        table.type = type;
        table.flags = std::uint32_t(toNumber(rows.text(3)));
        if (type == ObjectLocalTable) {
            const auto page = std::uint32_t(toNumber(rows.text(0))) & PageNumberBits;
            table.entry = tableEntry(m_mdb, table.name, page);
            table.properties =
                rows.longValue(4, MaxPropertyBlock, table.propertiesDamage).value_or(std::vector<std::uint8_t>());
        }
        m_tables.push_back(std::move(table));
    }
    return true;
}

MdbCatalogEntry *Catalogue::localTable(const std::string &name) const
{
    for (const Table &t : m_tables) {
        if (t.entry && t.name == name)
            return t.entry.get();
    }
    return nullptr;
}

}  // namespace reader
