#pragma once
// The catalogue (MSysObjects) as read by one scan of our own: the tables
// with their types and flags, libmdb entries and property blocks of the
// local ones, the saved queries with their ids, flags and property blocks,
// and the database's own property block (MSysDb). libmdb's
// mdb_read_catalog cannot tell linked ODBC tables from reports, and parses
// the properties of every form and report on the way.

#include "reader/MdbAccess.h"

namespace reader {

// MSysObjects.Type of the objects read.
constexpr int ObjectLocalTable = 1, ObjectDatabase = 2, ObjectOdbcTable = 4, ObjectQuery = 5, ObjectLinkedTable = 6;
// MSysObjects.Flags bit of hidden objects.
constexpr std::uint32_t CatalogueHidden = 0x8;

class Catalogue {
public:
    struct Table {
        std::string name;
        int type = 0;
        std::uint32_t flags = 0;
        std::unique_ptr<MdbCatalogEntry> entry;   // local tables only
        std::vector<std::uint8_t> properties;     // its property block (LvProp)
        std::string propertiesDamage;             // why the block could not be read; empty when it was
    };

    // A saved query; its design is in the rows of MSysQueries with its id.
    struct Query {
        std::string name;
        long id = 0;
        std::uint32_t flags = 0;                  // type bits and the hidden flag
        std::vector<std::uint8_t> properties;     // its property block (LvProp)
        std::string propertiesDamage;
    };

    explicit Catalogue(MdbHandle *mdb) : m_mdb(mdb) {}

    // False when MSysObjects cannot be read.
    bool read();

    const std::vector<Table> &tables() const { return m_tables; }
    // In catalogue order.
    const std::vector<Query> &queries() const { return m_queries; }
    const std::vector<std::uint8_t> &databaseProperties() const { return m_databaseProperties; }
    const std::string &databasePropertiesDamage() const { return m_databasePropertiesDamage; }
    // The entry of a local table, or null.
    MdbCatalogEntry *localTable(const std::string &name) const;
    // Gives up the property block of tables()[k] once it has been read.
    void releaseProperties(std::size_t k) { std::vector<std::uint8_t>().swap(m_tables[k].properties); }

private:
    MdbHandle *m_mdb;
    std::vector<Table> m_tables;
    std::vector<Query> m_queries;
    std::vector<std::uint8_t> m_databaseProperties;
    std::string m_databasePropertiesDamage;
};

}  // namespace reader
