#pragma once
// A table-definition (TDEF) page chain, read with bounds checks: the facts
// libmdb does not hand out or gets wrong, above all the column flag byte
// (fixed length, auto-increment, replication, hyperlink) and the indexes
// with their columns. ACE writes Jet 4's layout, with a column's complex id
// and the calculated mark in bytes Jet 4 leaves unused.

#include "reader/jetfile/JetHeader.h"

#include <functional>
#include <vector>

namespace jetfile {

// Bits of a column's flag byte.
namespace columnflag {
constexpr std::uint8_t Fixed = 0x01;
constexpr std::uint8_t Nullable = 0x02;
constexpr std::uint8_t AutoLong = 0x04;
constexpr std::uint8_t Replication = 0x10;
constexpr std::uint8_t AutoGuid = 0x40;
constexpr std::uint8_t Hyperlink = 0x80;
}  // namespace columnflag

// Bits of a column's second flag byte (Jet 4 and ACE).
namespace extraflag {
constexpr std::uint8_t CompressedUnicode = 0x01;
constexpr std::uint8_t Calculated = 0xC0;   // ACE: the value is computed from an expression
}  // namespace extraflag

// The storage type of an ACE complex column (attachment, multi-valued,
// version history), whose values live in a table of their own.
constexpr int ComplexColumnType = 0x12;

// Names as stored: Jet 3 in the database's code page, Jet 4 in UTF-16LE
// (possibly compressed); libmdb's mdb_unicode2ascii decodes them.
using StoredName = std::vector<std::uint8_t>;

struct ColumnEntry {
    int type = 0;           // Jet storage type
    int number = 0;         // column number, in whose order DAO lists the fields
    std::uint8_t flags = 0; // columnflag bits
    int size = 0;           // stored length in bytes
    std::uint8_t precision = 0;     // decimal columns: digits in all
    std::uint8_t scale = 0;         // decimal columns: digits after the point
    std::uint8_t extraFlags = 0;    // extraflag bits; 0 in Jet 3
    std::int32_t complexId = 0;     // ACE complex columns: MSysComplexColumns.ComplexID
    StoredName name;
};

// An index entry: the index proper, shared by the logical indexes that use it.
struct RealIndex {
    std::vector<int> columns;   // column numbers in key order
    std::vector<bool> descending;   // for each of `columns`: sorted descending
    std::uint8_t flags = 0;     // indexflag bits
};

namespace indexflag {
constexpr std::uint8_t Unique = 0x01;
constexpr std::uint8_t IgnoreNulls = 0x02;
constexpr std::uint8_t Required = 0x08;
}  // namespace indexflag

// A logical index: what DAO calls an index.
struct LogicalIndex {
    int realIndex = -1;         // into TableDefinition::realIndexes; -1 when out of range
    int type = 0;               // 1 primary key, 2 foreign key, 0 other
    StoredName name;
};

struct TableDefinition {
    int tableType = 0;      // 0x4E user table, 0x53 system table
    std::vector<ColumnEntry> columns;      // in the page's order
    std::vector<RealIndex> realIndexes;
    std::vector<LogicalIndex> indexes;     // in the page's order
};

// Reads the definition from its bytes: the first page whole, then each
// continuation page from its byte 8 on, as Jet chains them.
std::optional<TableDefinition> parseTableDefinition(std::span<const std::uint8_t> bytes, Format format,
                                                    std::string *problem = nullptr);

// Fills `page` (pageSize bytes) with page `number`; false when it cannot.
using PageReader = std::function<bool(std::uint32_t number, std::span<std::uint8_t> page)>;

// Joins the chain of definition pages that starts at `firstPage` into the
// bytes parseTableDefinition reads. A page that is not a definition page, a
// loop, or a chain longer than 256 pages makes it answer nothing.
std::optional<std::vector<std::uint8_t>> readTableDefinitionChain(std::uint32_t firstPage, int pageSize,
                                                                  const PageReader &readPage,
                                                                  std::string *problem = nullptr);

}  // namespace jetfile
