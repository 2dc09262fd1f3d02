#include "wizard/engine/reader/JetSchemaReader.h"

#include "wizard/engine/jetfile/PropertyBlock.h"
#include "wizard/engine/jetfile/PropertyValue.h"
#include "wizard/engine/reader/Catalogue.h"

#include <algorithm>
#include <cstring>
#include <map>

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
constexpr int IndexPrimary = 1, IndexForeign = 2;

// Stored properties the model holds as members of its own.
constexpr std::string_view FieldMemberProperties[] = {"Required", "AllowZeroLength", "DefaultValue",
                                                      "ValidationRule", "ValidationText"};
constexpr std::string_view TableMemberProperties[] = {"ValidationRule", "ValidationText"};
// Both, for reading a property block without the further properties.
constexpr std::string_view MemberProperties[] = {"Required", "AllowZeroLength", "DefaultValue", "ValidationRule",
                                                 "ValidationText"};

// Stored properties that are no part of the design: the engine creates
// and keeps them itself, and a rebuilt database gets its own.
//   GUID     the object's identity, given anew to every object created;
//            copied, two databases' objects would claim one identity.
//   NameMap  binary record of the object's former names and GUIDs, which
//            Name AutoCorrect keeps up to date.
constexpr std::string_view EngineMaintainedProperties[] = {"GUID", "NameMap"};

bool listed(std::span<const std::string_view> names, const std::string &name)
{
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) {
        return n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0;
    });
}

std::string unrecognised(const std::string &path, const std::string &why)
{
    return "Unrecognized database format '" + path + "': " + why + ".";
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
    DatabaseReader(const std::string &path, MdbHandle *mdb, jetfile::Format format, const ReadOptions &options)
        : m_path(path), m_mdb(mdb), m_format(format), m_options(options) {}

    std::optional<Database> read(ReadError &error)
    {
        Database db;
        db.name = m_path;
        db.version = m_format == jetfile::Format::Jet3 ? "3.0" : "4.0";
        Catalogue catalogue(m_mdb);
        if (!catalogue.read()) {
            error = {FormatNotRecognised, unrecognised(m_path, "the catalogue cannot be read")};
            return std::nullopt;
        }
        m_catalogue = &catalogue;
        readReplicaIds(catalogue.databaseProperties(), db);
        db.relations = readRelations();
        m_relations = &db.relations;
        for (const Catalogue::Table &row : catalogue.tables()) {
            Table table;
            table.name = row.name;
            table.attributes = tableAttributes(row.type, row.flags);
            if (row.entry && !readTable(row, table, error))
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
        if (flags & CatalogueHidden)
            attributes |= dbHiddenObject;
        if (type == ObjectLinkedTable)
            attributes |= dbAttachedTable;
        if (type == ObjectOdbcTable)
            attributes |= dbAttachedODBC;
        return attributes;
    }

    // The replica ids are properties of the database object, MSysDb.
    void readReplicaIds(const std::vector<std::uint8_t> &block, Database &db) const
    {
        static constexpr std::string_view wanted[] = {"ReplicaID", "DesignMasterID"};
        const PropertySets properties = readProperties(block, wanted);
        if (const jetfile::PropertySet *set = properties.object()) {
            db.replicaId = guidValue(properties.value(set, "ReplicaID"));
            db.designMasterId = guidValue(properties.value(set, "DesignMasterID"));
        }
    }

    // The property sets of a block, found by their target's decoded name.
    struct PropertySets {
        jetfile::PropertyBlock block;
        std::vector<std::string> targets;   // of block.sets, decoded

        const jetfile::PropertySet *object() const { return column(std::string()); }
        const jetfile::PropertySet *column(const std::string &name) const
        {
            for (std::size_t i = 0; i < targets.size(); ++i) {
                if (targets[i] == name)
                    return &block.sets[i];
            }
            for (std::size_t i = 0; i < targets.size(); ++i) {
                if (strcasecmp(targets[i].c_str(), name.c_str()) == 0)
                    return &block.sets[i];
            }
            return nullptr;
        }
        const jetfile::Property *value(const jetfile::PropertySet *set, std::string_view name) const
        {
            return set ? block.value(*set, name) : nullptr;
        }
    };

    PropertySets readProperties(const std::vector<std::uint8_t> &block,
                                std::span<const std::string_view> wanted = {}) const
    {
        PropertySets result;
        if (block.empty())
            return result;
        // A damaged block costs the properties, not the table.
        auto parsed = jetfile::parsePropertyBlock(block, m_format, wanted);
        if (!parsed)
            return result;
        result.block = std::move(*parsed);
        for (const jetfile::PropertySet &set : result.block.sets)
            result.targets.push_back(decodeName(set.target));
        return result;
    }

    std::string textValue(const PropertySets &properties, const jetfile::PropertySet *set, const char *name) const
    {
        const jetfile::Property *value = properties.value(set, name);
        return value ? decodeName(value->bytes) : std::string();
    }

    static bool flagValue(const jetfile::Property &value)
    {
        return std::any_of(value.bytes.begin(), value.bytes.end(), [](std::uint8_t b) { return b != 0; });
    }

    static std::string guidValue(const jetfile::Property *value)
    {
        return value ? jetfile::guidText(value->bytes) : std::string();
    }

    // The stored properties of `set` in stored order, less the model's
    // members, the engine's own and a second entry of a name. A value whose
    // size does not fit its type (damage) is left out.
    std::vector<Property> furtherProperties(const PropertySets &properties, const jetfile::PropertySet *set,
                                            std::span<const std::string_view> members) const
    {
        std::vector<Property> result;
        if (!set || !m_options.designProperties)
            return result;
        result.reserve(set->properties.size());
        std::vector<std::size_t> seen;
        seen.reserve(set->properties.size());
        for (const jetfile::Property &stored : set->properties) {
            if (std::find(seen.begin(), seen.end(), stored.name) != seen.end())
                continue;
            seen.push_back(stored.name);
            const jetfile::PropertyName &name = properties.block.name(stored);
            Property p;
            p.name = name.ascii.empty() ? decodeName(name.stored) : name.ascii;
            p.type = jetfile::daoPropertyType(stored.type);
            if (p.name.empty() || listed(members, p.name) || listed(EngineMaintainedProperties, p.name) ||
                !jetfile::fitsType(p.type, stored.bytes.size()))
                continue;
            if (p.type == jetfile::daotype::Text || p.type == jetfile::daotype::Memo)
                p.text = decodeName(stored.bytes);
            else
                p.bytes.assign(stored.bytes.begin(), stored.bytes.end());
            result.push_back(std::move(p));
        }
        return result;
    }

    std::vector<Relation> readRelations()
    {
        struct Row {
            long position;
            RelationField field;
        };
        std::vector<Relation> relations;
        std::map<std::string, std::vector<Row>> fields;
        RowReader rows(m_mdb, m_catalogue->localTable("MSysRelationships"),
                       {"szRelationship", "grbit", "icolumn", "szObject", "szColumn", "szReferencedObject",
                        "szReferencedColumn"});
        while (rows.next()) {
            auto &entries = fields[rows.text(0)];
            if (entries.empty()) {
                Relation r;
                r.name = rows.text(0);
                r.attributes = std::int32_t(toNumber(rows.text(1)));
                r.foreignTable = rows.text(3);
                r.table = rows.text(5);
                relations.push_back(std::move(r));
            }
            entries.push_back({toNumber(rows.text(2)), RelationField{rows.text(6), rows.text(4)}});
        }
        for (Relation &r : relations) {
            auto &rows = fields[r.name];
            std::stable_sort(rows.begin(), rows.end(),
                             [](const Row &a, const Row &b) { return a.position < b.position; });
            for (const Row &row : rows)
                r.fields.push_back(row.field);
        }
        return relations;
    }

    bool readTable(const Catalogue::Table &row, Table &out, ReadError &error)
    {
        MdbCatalogEntry *entry = row.entry.get();
        const PropertySets properties =
            readProperties(row.properties, m_options.designProperties ? std::span<const std::string_view>()
                                                                      : std::span(MemberProperties));
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
            const jetfile::PropertySet *set = properties.column(column->name);
            const jetfile::Property *required = properties.value(set, "Required");
            const jetfile::Property *allowZeroLength = properties.value(set, "AllowZeroLength");
            f.required = required ? flagValue(*required) : !(flags->second & jetfile::columnflag::Nullable);
            f.allowZeroLength = allowZeroLength && flagValue(*allowZeroLength);
            f.defaultValue = textValue(properties, set, "DefaultValue");
            f.validationRule = textValue(properties, set, "ValidationRule");
            f.validationText = textValue(properties, set, "ValidationText");
            f.properties = furtherProperties(properties, set, FieldMemberProperties);
            out.fields.push_back(std::move(f));
        }
        const jetfile::PropertySet *own = properties.object();
        out.validationRule = textValue(properties, own, "ValidationRule");
        out.validationText = textValue(properties, own, "ValidationText");
        out.properties = furtherProperties(properties, own, TableMemberProperties);
        readIndexes(*definition, out);
        return true;
    }

    // The indexes as the definition pages hold them (libmdb loses the
    // columns of some), with the names and sort order of their columns.
    void readIndexes(const jetfile::TableDefinition &definition, Table &out)
    {
        std::map<int, std::string> columnNames;
        for (const jetfile::ColumnEntry &c : definition.columns)
            columnNames.emplace(c.number, decodeName(c.name));
        const auto descending = [&](const jetfile::RealIndex &real, const std::string &name) {
            for (std::size_t k = 0; k < real.columns.size(); ++k) {
                const auto column = columnNames.find(real.columns[k]);
                if (column != columnNames.end() && column->second == name)
                    return bool(real.descending[k]);
            }
            return false;
        };
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
            for (const std::string &name : index.fields) {
                index.descending.push_back(
                    logical.realIndex >= 0 &&
                    descending(definition.realIndexes[std::size_t(logical.realIndex)], name));
            }
            out.indexes.push_back(std::move(index));
        }
    }

    std::string decodeName(std::span<const std::uint8_t> stored) const { return decodeText(m_mdb, stored); }

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
    ReadOptions m_options;
    const Catalogue *m_catalogue = nullptr;
    const std::vector<Relation> *m_relations = nullptr;
};

}  // namespace

std::optional<Database> readDatabase(const std::string &path, const ReadOptions &options, ReadError &error)
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
    DatabaseReader reader(path, mdb.get(), header->format, options);
    auto db = reader.read(error);
    // The program ends once the answer is written: freeing libmdb's
    // catalogue would cost more than reading it.
    (void)mdb.release();
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
    Catalogue catalogue(mdb.get());
    RowReader accounts(mdb.get(), catalogue.read() ? catalogue.localTable("MSysAccounts") : nullptr,
                       {"Name", "FGroup"});
    if (!accounts.ok()) {
        error = {WorkgroupUnusable, unusable + "it has no accounts table (MSysAccounts)."};
        return std::nullopt;
    }
    while (accounts.next()) {
        if (toNumber(accounts.text(1)) == 0)
            users.push_back(accounts.text(0));
    }
    return users;
}

}  // namespace reader
