#include "wizard/engine/reader/JetSchemaReader.h"

#include "wizard/engine/jetfile/JetHeader.h"
#include "wizard/engine/jetfile/TableDefinition.h"
#include "wizard/engine/reader/JsonText.h"

#include <mdbtools.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iconv.h>
#include <map>
#include <memory>

namespace reader {

namespace {

// DAO error numbers.
constexpr int WorkgroupUnusable = 3028;
constexpr int FormatNotRecognised = 3343;

// DAO type, attribute and MSysObjects codes.
constexpr int dbDecimal = 20;
constexpr std::int32_t dbFixedField = 0x1, dbVariableField = 0x2, dbAutoIncrField = 0x10,
                       dbSystemField = 0x2000, dbHyperlinkField = 0x8000;
constexpr std::int32_t dbHiddenObject = 0x1, dbSystemObject = std::int32_t(0x80000002u),
                       dbAttachedODBC = 0x20000000, dbAttachedTable = 0x40000000;
constexpr int ObjectLocalTable = 1, ObjectOdbcTable = 4, ObjectLinkedTable = 6;
constexpr std::uint32_t CatalogHidden = 0x8;
constexpr int IndexPrimary = 1, IndexForeign = 2;

std::string unrecognised(const std::string &path, const std::string &why)
{
    return "Unrecognized database format '" + path + "': " + why + ".";
}

struct MdbCloser {
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;

struct TableCloser {
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

// The file's header, read by our own code before libmdb sees the file.
std::optional<jetfile::Header> readHeader(const std::string &path, std::string &problem)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        problem = "the file cannot be opened";
        return std::nullopt;
    }
    std::uint8_t bytes[jetfile::HeaderBytes];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    return jetfile::parseHeader(std::span(bytes, got), &problem);
}

// Jet 3 texts are in the database's code page; libmdb converts them with
// iconv from the charset named in MDB_JET3_CHARSET.
void chooseJet3Charset(const jetfile::Header &header)
{
    std::string charset = "CP1252";
    if (header.codePage != 0) {
        const std::string wanted = "CP" + std::to_string(header.codePage);
        iconv_t probe = iconv_open("UTF-8", wanted.c_str());
        if (probe != iconv_t(-1)) {
            iconv_close(probe);
            charset = wanted;
        }
    }
    setenv("MDB_JET3_CHARSET", charset.c_str(), 1);
}

MdbPtr openJet(const std::string &path, const jetfile::Header &header)
{
    if (header.format == jetfile::Format::Jet3)
        chooseJet3Charset(header);
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (mdb) {
        mdb_set_boolean_fmt_numbers(mdb.get());
        if (!mdb_read_catalog(mdb.get(), MDB_ANY))
            mdb.reset();
    }
    return mdb;
}

MdbCatalogEntry *catalogTable(MdbHandle *mdb, const std::string &name)
{
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && name == entry->object_name)
            return entry;
    }
    return nullptr;
}

// Calls `row` with the texts of `columns` for every row of a table; a
// column the table lacks reads as empty. False when the table is missing.
bool forEachRow(MdbHandle *mdb, const char *tableName, const std::vector<const char *> &columns,
                const std::function<void(const std::vector<std::string> &)> &row)
{
    MdbCatalogEntry *entry = catalogTable(mdb, tableName);
    if (!entry)
        return false;
    TablePtr table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        return false;
    mdb_rewind_table(table.get());
    const std::size_t bindSize = mdb->bind_size > 0 ? mdb->bind_size : 16384;
    std::vector<std::vector<char>> buffers(columns.size(), std::vector<char>(bindSize + 1, 0));
    std::vector<int> lengths(columns.size(), 0);
    for (std::size_t i = 0; i < columns.size(); ++i)
        mdb_bind_column_by_name(table.get(), const_cast<char *>(columns[i]), buffers[i].data(), &lengths[i]);
    std::vector<std::string> values(columns.size());
    while (mdb_fetch_row(table.get())) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::size_t length = std::min<std::size_t>(std::size_t(std::max(lengths[i], 0)), bindSize);
            values[i].assign(buffers[i].data(), strnlen(buffers[i].data(), length));
            buffers[i][0] = '\0';
            lengths[i] = 0;
        }
        row(values);
    }
    return true;
}

long toNumber(const std::string &text)
{
    return std::strtol(text.c_str(), nullptr, 10);
}

bool propertyFlag(const char *value)
{
    if (!value)
        return false;
    const std::string v(value);
    return v == "1" || v == "-1" || v == "yes" || v == "true" || v == "True" || v == "Yes";
}

std::string propertyText(const MdbColumn *column, const char *key)
{
    const char *value = mdb_col_get_prop(column, key);
    return value ? std::string(value) : std::string();
}

// Size in DAO's units: characters for Text, bytes for Binary, fixed sizes
// for the number types, 0 for Memo and OLE.
std::int32_t daoSize(int jetType, int storedSize, jetfile::Format format)
{
    switch (jetType) {
    case MDB_BOOL: case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT: case MDB_FLOAT: return 4;
    case MDB_MONEY: case MDB_DOUBLE: case MDB_DATETIME: return 8;
    case MDB_REPID: case MDB_NUMERIC: return 16;
    case MDB_OLE: case MDB_MEMO: return 0;
    case MDB_TEXT: return format == jetfile::Format::Jet4 ? storedSize / 2 : storedSize;
    default: return storedSize;
    }
}

std::int32_t daoFieldAttributes(std::uint8_t flags)
{
    using namespace jetfile::columnflag;
    std::int32_t attributes = (flags & Fixed) ? dbFixedField : dbVariableField;
    if (flags & AutoLong)
        attributes |= dbAutoIncrField;
    if (flags & Replication)
        attributes |= dbSystemField;
    if (flags & Hyperlink)
        attributes |= dbHyperlinkField;
    return attributes;
}

// The column entries of a table, read from its definition pages.
std::optional<jetfile::TableDefinition> readDefinition(MdbHandle *mdb, std::uint32_t firstPage,
                                                       jetfile::Format format, std::string &problem)
{
    const int pageSize = int(mdb->fmt->pg_size);
    const auto readPage = [mdb, pageSize](std::uint32_t number, std::span<std::uint8_t> page) {
        if (mdb_read_alt_pg(mdb, number) != pageSize)
            return false;
        std::memcpy(page.data(), mdb->alt_pg_buf, std::min(page.size(), std::size_t(pageSize)));
        return true;
    };
    const auto bytes = jetfile::readTableDefinitionChain(firstPage, pageSize, readPage, &problem);
    if (!bytes)
        return std::nullopt;
    return jetfile::parseTableDefinition(*bytes, format, &problem);
}

std::vector<MdbColumn *> columnsInOrder(MdbTableDef *table)
{
    std::vector<MdbColumn *> columns;
    for (unsigned i = 0; i < table->columns->len; ++i)
        columns.push_back(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i)));
    std::stable_sort(columns.begin(), columns.end(),
                     [](const MdbColumn *a, const MdbColumn *b) { return a->col_num < b->col_num; });
    return columns;
}

class DatabaseReader {
public:
    DatabaseReader(const std::string &path, MdbHandle *mdb, jetfile::Format format)
        : m_path(path), m_mdb(mdb), m_format(format) {}

    std::optional<Database> read(ReadError &error)
    {
        Database db;
        db.name = m_path;
        db.version = m_format == jetfile::Format::Jet3 ? "3.0" : "4.0";
        readReplicaIds(db);
        db.relations = readRelations();
        m_relations = &db.relations;

        struct CatalogRow {
            std::string name;
            int type;
            std::uint32_t flags;
        };
        std::vector<CatalogRow> rows;
        const bool hasCatalog = forEachRow(m_mdb, "MSysObjects", {"Name", "Type", "Flags"},
                                           [&](const std::vector<std::string> &v) {
            const int type = int(toNumber(v[1]));
            if (type == ObjectLocalTable || type == ObjectOdbcTable || type == ObjectLinkedTable)
                rows.push_back({v[0], type, std::uint32_t(toNumber(v[2]))});
        });
        if (!hasCatalog) {
            error = {FormatNotRecognised, unrecognised(m_path, "the catalogue cannot be read")};
            return std::nullopt;
        }
        for (const CatalogRow &row : rows) {
            Table table;
            table.name = row.name;
            table.attributes = tableAttributes(row.type, row.flags);
            if (row.type == ObjectLocalTable && !readTable(table, error))
                return std::nullopt;
            db.tables.push_back(std::move(table));
        }
        // DAO lists tables by name.
        std::stable_sort(db.tables.begin(), db.tables.end(), [](const Table &a, const Table &b) {
            return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
        });
        return db;
    }

private:
    static std::int32_t tableAttributes(int type, std::uint32_t flags)
    {
        std::int32_t attributes = 0;
        if (flags & std::uint32_t(dbSystemObject))
            attributes |= dbSystemObject;
        if (flags & CatalogHidden)
            attributes |= dbHiddenObject;
        if (type == ObjectLinkedTable)
            attributes |= dbAttachedTable;
        if (type == ObjectOdbcTable)
            attributes |= dbAttachedODBC;
        return attributes;
    }

    void readReplicaIds(Database &db)
    {
        for (unsigned i = 0; i < m_mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(m_mdb->catalog, i));
            if (entry->object_type != MDB_DATABASE_PROPERTY || !entry->props || entry->props->len == 0)
                continue;
            auto *props = static_cast<MdbProperties *>(g_ptr_array_index(entry->props, 0));
            if (!props || !props->hash)
                continue;
            if (auto *id = static_cast<const char *>(g_hash_table_lookup(props->hash, "ReplicaID")))
                db.replicaId = id;
            if (auto *id = static_cast<const char *>(g_hash_table_lookup(props->hash, "DesignMasterID")))
                db.designMasterId = id;
        }
    }

    std::vector<Relation> readRelations()
    {
        struct Row {
            long position;
            RelationField field;
        };
        std::vector<Relation> relations;
        std::map<std::string, std::vector<Row>> fields;
        forEachRow(m_mdb, "MSysRelationships",
                   {"szRelationship", "grbit", "icolumn", "szObject", "szColumn", "szReferencedObject",
                    "szReferencedColumn"},
                   [&](const std::vector<std::string> &v) {
            auto &rows = fields[v[0]];
            if (rows.empty()) {
                Relation r;
                r.name = v[0];
                r.attributes = std::int32_t(toNumber(v[1]));
                r.foreignTable = v[3];
                r.table = v[5];
                relations.push_back(std::move(r));
            }
            rows.push_back({toNumber(v[2]), RelationField{v[6], v[4]}});
        });
        for (Relation &r : relations) {
            auto &rows = fields[r.name];
            std::stable_sort(rows.begin(), rows.end(),
                             [](const Row &a, const Row &b) { return a.position < b.position; });
            for (const Row &row : rows)
                r.fields.push_back(row.field);
        }
        return relations;
    }

    bool readTable(Table &out, ReadError &error)
    {
        MdbCatalogEntry *entry = catalogTable(m_mdb, out.name);
        if (!entry) {
            error = {FormatNotRecognised, unrecognised(m_path, "table '" + out.name + "' is not in the catalogue")};
            return false;
        }
        TablePtr table(mdb_read_table(entry));
        if (!table || !mdb_read_columns(table.get())) {
            error = {FormatNotRecognised, unrecognised(m_path, "table '" + out.name + "' cannot be read")};
            return false;
        }
        std::string problem;
        const auto definition = readDefinition(m_mdb, std::uint32_t(entry->table_pg), m_format, problem);
        if (!definition) {
            error = {FormatNotRecognised, unrecognised(m_path, "table '" + out.name + "': " + problem)};
            return false;
        }
        std::map<int, std::uint8_t> flagsByNumber;
        for (const jetfile::ColumnEntry &c : definition->columns)
            flagsByNumber.emplace(c.number, c.flags);

        const std::vector<MdbColumn *> columns = columnsInOrder(table.get());
        for (MdbColumn *column : columns) {
            const auto flags = flagsByNumber.find(column->col_num);
            if (flags == flagsByNumber.end()) {
                error = {FormatNotRecognised,
                         unrecognised(m_path, "column '" + std::string(column->name) + "' of table '" +
                                                  out.name + "' has no definition entry")};
                return false;
            }
            Field f;
            f.name = column->name;
            f.type = column->col_type == MDB_NUMERIC ? dbDecimal : column->col_type;
            f.size = daoSize(column->col_type, column->col_size, m_format);
            f.attributes = daoFieldAttributes(flags->second);
            const char *required = mdb_col_get_prop(column, "Required");
            f.required = required ? propertyFlag(required)
                                  : !(flags->second & jetfile::columnflag::Nullable);
            f.allowZeroLength = propertyFlag(mdb_col_get_prop(column, "AllowZeroLength"));
            f.defaultValue = propertyText(column, "DefaultValue");
            f.validationRule = propertyText(column, "ValidationRule");
            f.validationText = propertyText(column, "ValidationText");
            out.fields.push_back(std::move(f));
        }
        readIndexes(*definition, out);
        return true;
    }

    // The indexes as the definition pages hold them (libmdb loses the
    // columns of some), with the names of their columns.
    void readIndexes(const jetfile::TableDefinition &definition, Table &out)
    {
        std::map<int, std::string> columnNames;
        for (const jetfile::ColumnEntry &c : definition.columns)
            columnNames.emplace(c.number, decodeName(c.name));
        for (const jetfile::LogicalIndex &logical : definition.indexes) {
            Index index;
            index.name = decodeName(logical.name);
            index.primary = logical.type == IndexPrimary;
            index.foreign = logical.type == IndexForeign;
            if (logical.realIndex >= 0) {
                const jetfile::RealIndex &real = definition.realIndexes[std::size_t(logical.realIndex)];
                index.unique = real.flags & jetfile::indexflag::Unique;
                index.ignoreNulls = real.flags & jetfile::indexflag::IgnoreNulls;
                index.required = real.flags & jetfile::indexflag::Required;
                if (!index.foreign) {
                    for (int number : real.columns) {
                        const auto name = columnNames.find(number);
                        if (name != columnNames.end())
                            index.fields.push_back(name->second);
                    }
                }
            }
            // A foreign-key index takes its fields from the relationship of
            // the same name with this table as the referencing one; the other
            // foreign-key entries only back a relationship on the referenced
            // side, and no program creates them as indexes.
            if (index.foreign)
                index.fields = foreignKeyFields(index.name, out.name);
            if (index.fields.empty())
                continue;
            out.indexes.push_back(std::move(index));
        }
    }

    std::string decodeName(const jetfile::StoredName &stored) const
    {
        if (stored.empty())
            return {};
        std::vector<char> text(stored.size() * 3 + 16, '\0');
        const int length = mdb_unicode2ascii(m_mdb, reinterpret_cast<const char *>(stored.data()), stored.size(),
                                             text.data(), text.size());
        return std::string(text.data(), strnlen(text.data(), std::size_t(std::max(length, 0))));
    }

    std::vector<std::string> foreignKeyFields(const std::string &indexName, const std::string &tableName) const
    {
        std::vector<std::string> names;
        if (!m_relations)
            return names;
        for (const Relation &r : *m_relations) {
            if (r.name == indexName && r.foreignTable == tableName) {
                for (const RelationField &f : r.fields)
                    names.push_back(f.foreignName);
                break;
            }
        }
        return names;
    }

    std::string m_path;
    MdbHandle *m_mdb;
    jetfile::Format m_format;
    const std::vector<Relation> *m_relations = nullptr;
};

void appendKey(std::string &out, const char *key)
{
    out.push_back('"');
    out += key;
    out += "\":";
}

void appendText(std::string &out, const char *key, const std::string &value)
{
    appendKey(out, key);
    appendJsonString(out, value);
    out.push_back(',');
}

void appendNumber(std::string &out, const char *key, long long value)
{
    appendKey(out, key);
    out += std::to_string(value);
    out.push_back(',');
}

void appendFlag(std::string &out, const char *key, bool value)
{
    appendKey(out, key);
    out += value ? "true," : "false,";
}

// Replaces the trailing comma of an object or list, or closes an empty one.
void close(std::string &out, char bracket)
{
    if (out.back() == ',')
        out.back() = bracket;
    else
        out.push_back(bracket);
}

}  // namespace

std::optional<Database> readDatabase(const std::string &path, ReadError &error)
{
    std::string problem;
    const std::optional<jetfile::Header> header = readHeader(path, problem);
    if (!header) {
        error = {FormatNotRecognised, unrecognised(path, problem)};
        return std::nullopt;
    }
    if (header->format == jetfile::Format::Ace) {
        error = {FormatNotRecognised, unrecognised(path, "an ACE (Access 2007 or later) database")};
        return std::nullopt;
    }
    MdbPtr mdb = openJet(path, *header);
    if (!mdb) {
        error = {FormatNotRecognised, unrecognised(path, "libmdb cannot open it")};
        return std::nullopt;
    }
    DatabaseReader reader(path, mdb.get(), header->format);
    auto db = reader.read(error);
    return db;
}

std::optional<std::vector<std::string>> readWorkgroupUsers(const std::string &path, ReadError &error)
{
    const std::string unusable = "The workgroup information file '" + path + "' cannot be used: ";
    std::string problem;
    const std::optional<jetfile::Header> header = readHeader(path, problem);
    if (!header || header->format == jetfile::Format::Ace) {
        error = {WorkgroupUnusable, unusable + (header ? "an ACE database" : problem) + "."};
        return std::nullopt;
    }
    MdbPtr mdb = openJet(path, *header);
    if (!mdb) {
        error = {WorkgroupUnusable, unusable + "libmdb cannot open it."};
        return std::nullopt;
    }
    std::vector<std::string> users;
    const bool found = forEachRow(mdb.get(), "MSysAccounts", {"Name", "FGroup"},
                                  [&](const std::vector<std::string> &v) {
        if (toNumber(v[1]) == 0)
            users.push_back(v[0]);
    });
    if (!found) {
        error = {WorkgroupUnusable, unusable + "it has no accounts table (MSysAccounts)."};
        return std::nullopt;
    }
    return users;
}

std::string toJson(const Database &db)
{
    std::string out;
    out.reserve(64 * 1024);
    out += "{\"format\":\"tabulo-schema\",\"formatVersion\":1,";
    appendText(out, "name", db.name);
    appendText(out, "version", db.version);
    appendText(out, "replicaId", db.replicaId);
    appendText(out, "designMasterId", db.designMasterId);
    appendKey(out, "tables");
    out.push_back('[');
    for (const Table &t : db.tables) {
        out.push_back('{');
        appendText(out, "name", t.name);
        appendNumber(out, "attributes", t.attributes);
        appendKey(out, "fields");
        out.push_back('[');
        for (const Field &f : t.fields) {
            out.push_back('{');
            appendText(out, "name", f.name);
            appendNumber(out, "type", f.type);
            appendNumber(out, "size", f.size);
            appendNumber(out, "attributes", f.attributes);
            appendFlag(out, "required", f.required);
            appendFlag(out, "allowZeroLength", f.allowZeroLength);
            appendText(out, "defaultValue", f.defaultValue);
            appendText(out, "validationRule", f.validationRule);
            appendText(out, "validationText", f.validationText);
            close(out, '}');
            out.push_back(',');
        }
        close(out, ']');
        out.push_back(',');
        appendKey(out, "indexes");
        out.push_back('[');
        for (const Index &i : t.indexes) {
            out.push_back('{');
            appendText(out, "name", i.name);
            appendFlag(out, "primary", i.primary);
            appendFlag(out, "unique", i.unique);
            appendFlag(out, "required", i.required);
            appendFlag(out, "ignoreNulls", i.ignoreNulls);
            appendFlag(out, "foreign", i.foreign);
            appendKey(out, "fields");
            out.push_back('[');
            for (const std::string &name : i.fields) {
                appendJsonString(out, name);
                out.push_back(',');
            }
            close(out, ']');
            close(out, '}');
            out.push_back(',');
        }
        close(out, ']');
        close(out, '}');
        out.push_back(',');
    }
    close(out, ']');
    out.push_back(',');
    appendKey(out, "relations");
    out.push_back('[');
    for (const Relation &r : db.relations) {
        out.push_back('{');
        appendText(out, "name", r.name);
        appendText(out, "table", r.table);
        appendText(out, "foreignTable", r.foreignTable);
        appendNumber(out, "attributes", r.attributes);
        appendFlag(out, "partialReplica", false);
        appendKey(out, "fields");
        out.push_back('[');
        for (const RelationField &f : r.fields) {
            out.push_back('{');
            appendText(out, "name", f.name);
            appendText(out, "foreignName", f.foreignName);
            close(out, '}');
            out.push_back(',');
        }
        close(out, ']');
        close(out, '}');
        out.push_back(',');
    }
    close(out, ']');
    out += "}\n";
    return out;
}

std::string toJson(const std::vector<std::string> &users)
{
    std::string out = "{\"format\":\"tabulo-workgroup\",\"users\":[";
    for (const std::string &user : users) {
        appendJsonString(out, user);
        out.push_back(',');
    }
    close(out, ']');
    out += "}\n";
    return out;
}

std::string toJson(const ReadError &error)
{
    std::string out = "{\"error\":{";
    appendNumber(out, "number", error.number);
    appendText(out, "description", error.description);
    close(out, '}');
    out += "}\n";
    return out;
}

}  // namespace reader
