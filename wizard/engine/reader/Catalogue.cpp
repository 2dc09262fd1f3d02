#include "wizard/engine/reader/Catalogue.h"

namespace reader {

namespace {
constexpr std::uint32_t CatalogueTablePage = 2;   // MSysObjects' definition page
constexpr std::uint32_t PageNumberBits = 0x00FFFFFF;
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
            m_databaseProperties = rows.longValue(4, m_databasePropertiesDamage).value_or(std::vector<std::uint8_t>());
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
            table.properties = rows.longValue(4, table.propertiesDamage).value_or(std::vector<std::uint8_t>());
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
