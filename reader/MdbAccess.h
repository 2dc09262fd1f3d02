#pragma once
// The reader's access to libmdb: opening a file, reading a table's rows as
// text, and the raw pages of a table definition.

#include "reader/jetfile/AceHeader.h"
#include "reader/jetfile/JetHeader.h"
#include "reader/jetfile/TableDefinition.h"

#include <mdbtools.h>

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace reader {

struct MdbCloser {
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;

struct TableCloser {
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

// The file's header, read by our own code before libmdb sees the file.
std::optional<jetfile::Header> readHeader(const std::string &path, std::string &problem);
// What the first page of an ACE file adds: its generation and whether it is encrypted.
std::optional<jetfile::AceHeader> readAceHeader(const std::string &path, std::string &problem);

// Opens a Jet file with libmdb, its Jet 3 texts decoded in the header's code page.
MdbPtr openJet(const std::string &path, const jetfile::Header &header);

// A catalogue entry for libmdb's table reading: the table's name and definition page.
std::unique_ptr<MdbCatalogEntry> tableEntry(MdbHandle *mdb, const std::string &name, std::uint32_t page);

// Reads the rows of one table through libmdb, each column as text.
class RowReader {
public:
    RowReader(MdbHandle *mdb, MdbCatalogEntry *entry, const std::vector<const char *> &columns);

    // False when the table is missing or cannot be read: a table whose
    // usage map is missing too, on which libmdb's row fetching crashes.
    bool ok() const { return m_ok; }
    bool next();
    // The value of column `i` of the current row; empty for a missing column or a null.
    std::string text(std::size_t i) const;
    // The whole value of the long binary column `i` of the current row, of
    // at most `maxSize` bytes; nothing when the value is damaged or longer,
    // with `problem` saying how.
    std::optional<std::vector<std::uint8_t>> longValue(std::size_t i, std::size_t maxSize, std::string &problem) const;

private:
    // Whether libmdb converts column `i` into its buffer: Text, Byte,
    // Integer and Long are read from the page instead, as libmdb would
    // print them, without its conversions.
    bool bound(std::size_t i) const { return !m_buffers[i].empty(); }

    MdbHandle *m_mdb;
    TablePtr m_table;
    std::size_t m_bindSize = 0;
    std::vector<std::vector<char>> m_buffers;
    std::vector<int> m_lengths;
    std::vector<MdbColumn *> m_columns;
    bool m_ok = false;
};

// A table's definition, read from its pages by our own code. A chain of
// pages that cannot be followed (a page unreadable, of another kind, or a
// loop) is "its definition is damaged"; the parse says what else is wrong.
std::optional<jetfile::TableDefinition> readDefinition(MdbHandle *mdb, std::uint32_t firstPage,
                                                       jetfile::Format format, std::string &problem);

// Text as Jet stores it (names, property values) in UTF-8.
std::string decodeText(MdbHandle *mdb, std::span<const std::uint8_t> stored);
// decodeText's text as the model's QString, as readerText makes it; plain
// ASCII goes straight from the stored units to the QString.
QString decodeModelText(MdbHandle *mdb, std::span<const std::uint8_t> stored);

long toNumber(const std::string &text);

}  // namespace reader
