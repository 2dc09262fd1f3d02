#include "reader/JetSchemaReader.h"

#include "wizard/engine/DaoCodes.h"
#include "reader/jetfile/AceHeader.h"
#include "reader/jetfile/PropertyBlock.h"
#include "reader/jetfile/PropertyValue.h"
#include "reader/AceDesign.h"
#include "reader/Catalogue.h"
#include "reader/EncryptedAce.h"
#include "reader/QueryRows.h"
#include "reader/ReaderText.h"
#include "reader/StoredValue.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>

namespace reader {

namespace {

using schema::Database;
using schema::Field;
using schema::Index;
using schema::Property;
using schema::Relation;
using schema::RelationField;
using schema::Table;

using dao::dbAttachedODBC;
using dao::dbAttachedTable;
using dao::dbAutoIncrField;
using dao::dbDecimal;
using dao::dbFixedField;
using dao::dbHiddenObject;
using dao::dbHyperlinkField;
using dao::dbSystemField;
using dao::dbSystemObject;
using dao::dbVariableField;
using dao::errors::FormatNotRecognised;
using dao::errors::WorkgroupUnusable;

// The kinds of a table definition's logical indexes.
constexpr int IndexPrimary = 1, IndexForeign = 2;

// Stored properties the model holds as members of its own.
constexpr std::string_view FieldMemberProperties[] = {"Required", "AllowZeroLength", "DefaultValue",
                                                      "ValidationRule", "ValidationText"};
constexpr std::string_view TableMemberProperties[] = {"ValidationRule", "ValidationText"};
// Both, for reading a property block without the further properties.
constexpr std::string_view MemberProperties[] = {"Required", "AllowZeroLength", "DefaultValue", "ValidationRule",
                                                 "ValidationText"};
// ACE files: a calculated field's Expression and a memo's AppendOnly are
// members too, and ResultType decides a calculated field's type.
constexpr std::string_view AceMembers[] = {"Expression", "AppendOnly"};
constexpr std::string_view AceMemberProperties[] = {"Required",   "AllowZeroLength", "DefaultValue",
                                                    "ValidationRule", "ValidationText", "Expression",
                                                    "AppendOnly", "ResultType"};
// The same with the Description.
constexpr std::string_view MemberPropertiesAndDescription[] = {"Required", "AllowZeroLength", "DefaultValue",
                                                               "ValidationRule", "ValidationText", "Description"};
constexpr std::string_view AceMemberPropertiesAndDescription[] = {
    "Required", "AllowZeroLength", "DefaultValue", "ValidationRule", "ValidationText",
    "Expression", "AppendOnly", "ResultType", "Description"};
constexpr std::string_view DescriptionOnly[] = {"Description"};

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

schema::ReaderError unrecognised(const std::string &path, const std::string &why)
{
    return {FormatNotRecognised, readerText("Unrecognized database format '" + path + "': " + why + ".")};
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
    case MDB_TEXT: return format != jetfile::Format::Jet3 ? storedSize / 2 : storedSize;
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

// A table's columns in the order of their numbers, in which DAO lists them.
std::vector<const jetfile::ColumnEntry *> columnsInOrder(const jetfile::TableDefinition &definition)
{
    std::vector<const jetfile::ColumnEntry *> columns;
    columns.reserve(definition.columns.size());
    for (const jetfile::ColumnEntry &column : definition.columns)
        columns.push_back(&column);
    std::stable_sort(columns.begin(), columns.end(),
                     [](const jetfile::ColumnEntry *a, const jetfile::ColumnEntry *b) { return a->number < b->number; });
    return columns;
}

class DatabaseReader {
public:
    DatabaseReader(const std::string &path, MdbHandle *mdb, jetfile::Format format, const ReadOptions &options)
        : m_path(path), m_mdb(mdb), m_format(format), m_ace(format == jetfile::Format::Ace), m_options(options) {}

    std::optional<Database> read(schema::ReaderError &error)
    {
        Database db;
        db.name = readerText(m_path);
        db.version = m_format == jetfile::Format::Jet3 ? QStringLiteral("3.0")
                     : m_ace                               ? QStringLiteral("12.0")
                                                           : QStringLiteral("4.0");
        Catalogue catalogue(m_mdb);
        if (!catalogue.read()) {
            error = unrecognised(m_path, "the catalogue cannot be read");
            return std::nullopt;
        }
        m_catalogue = &catalogue;
        if (m_ace)
            m_complexColumns = ace::readComplexColumns(m_mdb, catalogue);
        if (m_complexColumns.damaged)
            db.warnings.append(warning("the attachment and multi-valued fields could not be read (the table "
                                       "MSysComplexColumns is damaged); the module leaves them out"));
        m_warnings = &db.warnings;
        warnOfDamagedProperties(catalogue, db.warnings);
        readReplicaIds(catalogue.databaseProperties(), db);
        readRelations(db.relations, db.warnings);
        m_relations = &db.relations;
        const std::vector<Catalogue::Table> &rows = catalogue.tables();
        std::vector<Table> tables(rows.size());
        std::vector<std::size_t> order;
        order.reserve(rows.size());
        for (std::size_t k = 0; k < rows.size(); ++k) {
            // What the engine makes for complex columns is no part of the design.
            if (m_ace && ace::isEngineTable(rows[k].name))
                continue;
            tables[k].name = readerText(rows[k].name);
            tables[k].attributes = tableAttributes(rows[k].type, rows[k].flags);
            // A table that cannot be read costs only itself: nothing at all
            // when the module never recreates it, a warning otherwise.
            std::string problem;
            const bool whole = !rows[k].entry || readTable(rows[k], tables[k], problem);
            // The model of the tables that follow takes the block's memory.
            catalogue.releaseProperties(k);
            if (!whole) {
                if (isRecreated(rows[k].name, tables[k].attributes))
                    db.warnings.append(warning("the table \"" + rows[k].name + "\" could not be read (" + problem +
                                               "); the module leaves it out"));
                continue;
            }
            order.push_back(k);
        }
        // DAO lists tables by name.
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return strcasecmp(rows[a].name.c_str(), rows[b].name.c_str()) < 0;
        });
        db.tables.reserve(qsizetype(order.size()));
        for (std::size_t k : order)
            db.tables.append(std::move(tables[k]));
        if (m_options.queries)
            readQueries(db);
        return db;
    }

private:
    // The saved queries in catalogue order, each rebuilt from its rows in
    // MSysQueries. A query whose rows are damaged costs itself, with a
    // warning unless it is one of the engine's own (~sq_), which the module
    // never writes.
    void readQueries(Database &db) const
    {
        const std::vector<Catalogue::Query> &queries = m_catalogue->queries();
        if (queries.empty())
            return;
        const QueryRows rows = readQueryRows(m_mdb, m_catalogue->localTable("MSysQueries"));
        if (!rows.damage.empty()) {
            db.warnings.append(warning("the saved queries could not be read (" + rows.damage +
                                       "); the module leaves them out"));
            return;
        }
        static const std::vector<QueryRow> noRows;
        db.queries.reserve(qsizetype(queries.size()));
        for (const Catalogue::Query &q : queries) {
            const auto found = rows.byObject.find(q.id);
            QueryText text = rebuildQuery(found != rows.byObject.end() ? found->second : noRows, q.flags);
            schema::Query out;
            out.name = readerText(q.name);
            if (!text.problem.isEmpty()) {
                if (!out.isSystem())
                    db.warnings.append(warning("the query \"" + q.name + "\" could not be read (" +
                                               text.problem.toStdString() + "); the module leaves it out"));
                continue;
            }
            out.type = text.type;
            out.sql = std::move(text.sql);
            out.parameters = std::move(text.parameters);
            out.hidden = q.flags & CatalogueHidden;
            out.connect = std::move(text.connect);
            out.returnsRecords = text.returnsRecords;
            out.sources = std::move(text.sources);
            if (m_options.designProperties || m_options.descriptions) {
                const PropertySets properties = readProperties(q.properties, wantedProperties());
                const std::string &damage =
                    !q.propertiesDamage.empty() ? q.propertiesDamage : properties.block.damage;
                if (!damage.empty() && !out.isSystem())
                    db.warnings.append(warning("the properties of query \"" + q.name + "\" may be incomplete (" +
                                               damage + "); the module keeps what could still be read"));
                out.properties = furtherProperties(properties, properties.object(), {});
            }
            db.queries.append(std::move(out));
        }
    }

    // Whether the module may recreate a table: neither a system object nor
    // named "MSys", as the generator lists tables, nor one the engine makes.
    bool isRecreated(const std::string &name, std::int32_t attributes) const
    {
        return (attributes & dbSystemObject) != dbSystemObject && !name.starts_with("MSys") &&
               !(m_ace && ace::isEngineTable(name));
    }

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

    // A line of what a damaged file costs, naming the file.
    QString warning(const std::string &what) const { return readerText("'" + m_path + "': " + what + "."); }

    // A damaged property block costs its properties, not the table.
    void warnOfDamagedProperties(const Catalogue &catalogue, QStringList &warnings) const
    {
        if (!catalogue.databasePropertiesDamage().empty())
            warnings.append(warning("the database's own properties could not be read (" +
                                    catalogue.databasePropertiesDamage() + "); the module leaves out its replica ids"));
        for (const Catalogue::Table &t : catalogue.tables()) {
            if (!t.propertiesDamage.empty() && isRecreated(t.name, tableAttributes(t.type, t.flags)))
                warnings.append(warning("the properties of table \"" + t.name + "\" and its fields could not be read (" +
                                        t.propertiesDamage + "); the module leaves them out"));
        }
    }

    // The replica ids are properties of the database object, MSysDb.
    void readReplicaIds(const std::vector<std::uint8_t> &block, Database &db) const
    {
        static constexpr std::string_view wanted[] = {"ReplicaID", "DesignMasterID"};
        const PropertySets properties = readProperties(block, wanted);
        if (!properties.block.damage.empty())
            m_warnings->append(warning("the database's own properties may be incomplete (" + properties.block.damage +
                                       "); the module keeps what could still be read"));
        if (const jetfile::PropertySet *set = properties.object()) {
            db.replicaId = QString::fromStdString(guidValue(properties.value(set, "ReplicaID")));
            db.designMasterId = QString::fromStdString(guidValue(properties.value(set, "DesignMasterID")));
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

        // For furtherProperties, by stored name: the model's name of a kept
        // property, a null QString for one left out; each name is decided
        // once for the members it was last asked with.
        mutable std::vector<std::optional<QString>> keptNames;
        mutable std::span<const std::string_view> keptFor;
    };

    PropertySets readProperties(const std::vector<std::uint8_t> &block,
                                std::span<const std::string_view> wanted = {}) const
    {
        PropertySets result;
        if (block.empty())
            return result;
        // A damaged block costs the properties, not the table; its part
        // before the damage is kept.
        auto parsed = jetfile::parsePropertyBlock(block, m_format, wanted);
        if (!parsed)
            return result;
        result.block = std::move(*parsed);
        for (const jetfile::PropertySet &set : result.block.sets)
            result.targets.push_back(decodeName(set.target));
        return result;
    }

    QString textValue(const PropertySets &properties, const jetfile::PropertySet *set, const char *name) const
    {
        const jetfile::Property *value = properties.value(set, name);
        return value ? decodeModelText(m_mdb, value->bytes) : QString();
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
    QList<Property> furtherProperties(const PropertySets &properties, const jetfile::PropertySet *set,
                                       std::span<const std::string_view> members) const
    {
        QList<Property> result;
        if (!set || (!m_options.designProperties && !m_options.descriptions))
            return result;
        result.reserve(set->properties.size());
        for (auto stored = set->properties.begin(); stored != set->properties.end(); ++stored) {
            const auto sameName = [&](const jetfile::Property &p) { return p.name == stored->name; };
            if (std::any_of(set->properties.begin(), stored, sameName))
                continue;
            const QString &name = keptName(properties, stored->name, members);
            const int type = jetfile::daoPropertyType(stored->type);
            if (name.isNull() || !jetfile::fitsType(type, stored->bytes.size()))
                continue;
            Property &p = result.emplace_back();
            p.name = name;
            p.type = type;
            if (type == dao::dbText || type == dao::dbMemo)
                p.value = decodeModelText(m_mdb, stored->bytes);
            else
                p.value = storedValue(type, stored->bytes);
        }
        return result;
    }

    // The model's name of the block's stored name `index` when furtherProperties
    // keeps it, else a null QString.
    const QString &keptName(const PropertySets &properties, std::size_t index,
                            std::span<const std::string_view> members) const
    {
        if (properties.keptNames.size() != properties.block.names.size() ||
            properties.keptFor.data() != members.data() || properties.keptFor.size() != members.size()) {
            properties.keptNames.assign(properties.block.names.size(), std::nullopt);
            properties.keptFor = members;
        }
        std::optional<QString> &kept = properties.keptNames[index];
        if (kept)
            return *kept;
        const jetfile::PropertyName &stored = properties.block.names[index];
        const std::string name = stored.ascii.empty() ? decodeName(stored.stored) : stored.ascii;
        const bool left = name.empty() || listed(members, name) || listed(EngineMaintainedProperties, name) ||
                          (!m_options.designProperties && !listed(DescriptionOnly, name)) ||
                          (m_ace && (listed(AceMembers, name) || ace::isEngineProperty(name)));
        kept = left ? QString() : propertyName(name);
        return *kept;
    }

    void readRelations(QList<Relation> &relations, QStringList &warnings)
    {
        struct Row {
            long position;
            RelationField field;
        };
        std::vector<std::string> names;
        std::map<std::string, std::vector<Row>> fields;
        MdbCatalogEntry *table = m_catalogue->localTable("MSysRelationships");
        RowReader rows(m_mdb, table, {"szRelationship", "grbit", "icolumn", "szObject", "szColumn",
                                      "szReferencedObject", "szReferencedColumn"});
        if (table && !rows.ok())
            warnings.append(warning("the relationships could not be read (the table MSysRelationships is damaged); "
                                    "the module recreates neither them nor the indexes of their foreign keys"));
        while (rows.next()) {
            auto &entries = fields[rows.text(0)];
            if (entries.empty()) {
                Relation &r = relations.emplace_back();
                names.push_back(rows.text(0));
                r.name = readerText(rows.text(0));
                r.attributes = std::int32_t(toNumber(rows.text(1)));
                r.foreignTable = readerText(rows.text(3));
                r.table = readerText(rows.text(5));
                m_relationByKey.try_emplace(relationKey(names.back(), rows.text(3)), relations.size() - 1);
            }
            entries.push_back({toNumber(rows.text(2)), RelationField{readerText(rows.text(6)), readerText(rows.text(4))}});
        }
        for (qsizetype k = 0; k < relations.size(); ++k) {
            auto &rows = fields[names[std::size_t(k)]];
            std::stable_sort(rows.begin(), rows.end(),
                             [](const Row &a, const Row &b) { return a.position < b.position; });
            for (const Row &row : rows)
                relations[k].fields.append(row.field);
        }
    }

    // The stored properties a table's block is read for; empty for all.
    std::span<const std::string_view> wantedProperties() const
    {
        if (m_options.designProperties)
            return {};
        if (m_options.descriptions)
            return m_ace ? std::span<const std::string_view>(AceMemberPropertiesAndDescription)
                         : std::span<const std::string_view>(MemberPropertiesAndDescription);
        return m_ace ? std::span<const std::string_view>(AceMemberProperties)
                     : std::span<const std::string_view>(MemberProperties);
    }

    // False, saying why in `problem`, when the table cannot be read.
    bool readTable(const Catalogue::Table &row, Table &out, std::string &problem)
    {
        MdbCatalogEntry *catalogued = row.entry.get();
        const PropertySets properties = readProperties(row.properties, wantedProperties());
        if (!properties.block.damage.empty() && isRecreated(row.name, out.attributes))
            m_warnings->append(warning("the properties of table \"" + row.name + "\" and its fields may be incomplete (" +
                                       properties.block.damage + "); the module keeps what could still be read"));
        const auto definition = readDefinition(m_mdb, std::uint32_t(catalogued->table_pg), m_format, problem);
        if (!definition)
            return false;

        const std::vector<const jetfile::ColumnEntry *> columns = columnsInOrder(*definition);
        out.fields.reserve(qsizetype(columns.size()));
        for (const jetfile::ColumnEntry *entry : columns) {
            const std::string name = decodeName(entry->name);
            const jetfile::PropertySet *set = properties.column(name);
            Field f;
            f.name = readerText(name);
            std::uint8_t flags = entry->flags;
            if (m_ace) {
                const ace::FieldDesign design =
                    ace::describeColumn(*entry, name, std::uint32_t(catalogued->table_pg),
                                        m_complexColumns, aceProperties(properties, set));
                if (design.kind == ace::FieldDesign::Kind::VersionHistory)
                    continue;   // the engine keeps it for an append-only memo
                f.type = design.daoType;
                f.size = design.daoSize;
                f.expression = readerText(design.expression);
                f.appendOnly = design.appendOnly;
                if (design.kind == ace::FieldDesign::Kind::Unnamed)
                    f.storageType = design.storageType;
                flags = design.flags;
            } else {
                f.type = entry->type == MDB_NUMERIC ? dbDecimal : entry->type;
                f.size = daoSize(entry->type, entry->size, m_format);
            }
            if (f.type == dbDecimal && entry->type == MDB_NUMERIC) {
                f.precision = entry->precision;
                f.scale = entry->scale;
            }
            f.attributes = daoFieldAttributes(flags);
            const jetfile::Property *required = properties.value(set, "Required");
            const jetfile::Property *allowZeroLength = properties.value(set, "AllowZeroLength");
            f.required = required ? flagValue(*required) : !(flags & jetfile::columnflag::Nullable);
            f.allowZeroLength = allowZeroLength && flagValue(*allowZeroLength);
            f.defaultValue = textValue(properties, set, "DefaultValue");
            f.validationRule = textValue(properties, set, "ValidationRule");
            f.validationText = textValue(properties, set, "ValidationText");
            f.properties = furtherProperties(properties, set, FieldMemberProperties);
            out.fields.append(std::move(f));
        }
        const jetfile::PropertySet *own = properties.object();
        out.validationRule = textValue(properties, own, "ValidationRule");
        out.validationText = textValue(properties, own, "ValidationText");
        out.properties = furtherProperties(properties, own, TableMemberProperties);
        readIndexes(*definition, row.name, out);
        return true;
    }

    // The first column entry of that number, or null.
    static const jetfile::ColumnEntry *columnEntry(const jetfile::TableDefinition &definition, int number)
    {
        for (const jetfile::ColumnEntry &c : definition.columns) {
            if (c.number == number)
                return &c;
        }
        return nullptr;
    }

    // The indexes as the definition pages hold them (libmdb loses the
    // columns of some), with the names and sort order of their columns.
    void readIndexes(const jetfile::TableDefinition &definition, const std::string &tableName, Table &out)
    {
        // The decoded names of a real index's columns; nothing for a number
        // no column entry has.
        const auto columnNames = [&](const jetfile::RealIndex &real) {
            std::vector<std::optional<std::string>> names;
            names.reserve(real.columns.size());
            for (int number : real.columns) {
                const jetfile::ColumnEntry *column = columnEntry(definition, number);
                names.push_back(column ? std::optional(decodeName(column->name)) : std::nullopt);
            }
            return names;
        };
        // A key column's order, taken from the first key column of that name.
        const auto descending = [](const jetfile::RealIndex &real, const std::vector<std::optional<std::string>> &names,
                                   const std::string &name) {
            for (std::size_t k = 0; k < real.columns.size(); ++k) {
                if (names[k] == name)
                    return bool(real.descending[k]);
            }
            return false;
        };
        if (!definition.indexes.empty())
            out.indexes.reserve(qsizetype(definition.indexes.size()));
        for (const jetfile::LogicalIndex &logical : definition.indexes) {
            // The engine's index behind a complex column comes with the column.
            if (m_ace && ace::isComplexColumnIndex(definition, logical))
                continue;
            Index index;
            const std::string indexName = decodeName(logical.name);
            index.primary = logical.type == IndexPrimary;
            index.foreign = logical.type == IndexForeign;
            const jetfile::RealIndex *real =
                logical.realIndex >= 0 ? &definition.realIndexes[std::size_t(logical.realIndex)] : nullptr;
            std::vector<std::optional<std::string>> names;
            if (real) {
                index.unique = real->flags & jetfile::indexflag::Unique;
                index.ignoreNulls = real->flags & jetfile::indexflag::IgnoreNulls;
                index.required = real->flags & jetfile::indexflag::Required;
                if (!index.foreign)
                    names = columnNames(*real);
            }
            // A foreign-key index takes its fields from the relationship of
            // the same name with this table as the referencing one; the other
            // foreign-key entries only back a relationship on the referenced
            // side, and no program creates them as indexes.
            if (index.foreign) {
                index.fields = foreignKeyFields(indexName, tableName);
            } else {
                for (const std::optional<std::string> &name : names) {
                    if (!name)
                        continue;
                    index.fields.append(readerText(*name));
                    index.descending.append(descending(*real, names, *name));
                }
            }
            if (index.fields.isEmpty())
                continue;
            index.name = readerText(indexName);
            out.indexes.append(std::move(index));
        }
    }

    std::string decodeName(std::span<const std::uint8_t> stored) const { return decodeText(m_mdb, stored); }

    // The properties of an ACE column that decide its design.
    ace::ColumnProperties aceProperties(const PropertySets &properties, const jetfile::PropertySet *set) const
    {
        ace::ColumnProperties own;
        if (const jetfile::Property *resultType = properties.value(set, "ResultType")) {
            const int type = jetfile::daoPropertyType(resultType->type);
            if (type >= dao::dbByte && type <= dao::dbLong &&
                jetfile::fitsType(type, resultType->bytes.size()))
                own.resultType = int(jetfile::storedInteger(type, resultType->bytes));
        }
        if (const jetfile::Property *expression = properties.value(set, "Expression"))
            own.expression = decodeName(expression->bytes);
        const jetfile::Property *appendOnly = properties.value(set, "AppendOnly");
        own.appendOnly = appendOnly && flagValue(*appendOnly);
        return own;
    }

    // Property names repeat on every field: each is made a QString once
    // and shared.
    QString propertyName(const std::string &name) const
    {
        auto [at, added] = m_propertyNames.try_emplace(name);
        if (added)
            at->second = readerText(name);
        return at->second;
    }

    QList<QString> foreignKeyFields(const std::string &indexName, const std::string &tableName) const
    {
        QList<QString> names;
        if (!m_relations)
            return names;
        const auto relation = m_relationByKey.find(relationKey(indexName, tableName));
        if (relation != m_relationByKey.end()) {
            for (const RelationField &f : (*m_relations)[relation->second].fields)
                names.append(f.foreignName);
        }
        return names;
    }

    // A relation's stored name and referencing table as one key (stored
    // texts hold no NUL).
    static std::string relationKey(const std::string &name, const std::string &foreignTable)
    {
        std::string key = name;
        key += '\0';
        key += foreignTable;
        return key;
    }

    std::string m_path;
    MdbHandle *m_mdb;
    jetfile::Format m_format;
    bool m_ace;
    ReadOptions m_options;
    ace::ComplexColumns m_complexColumns;   // ACE files: MSysComplexColumns
    const Catalogue *m_catalogue = nullptr;
    QStringList *m_warnings = nullptr;   // of the database being read
    const QList<Relation> *m_relations = nullptr;
    // The first relation of each stored name and referencing table, as the
    // index entries name them.
    std::unordered_map<std::string, qsizetype> m_relationByKey;
    mutable std::unordered_map<std::string, QString> m_propertyNames;
};

}  // namespace

std::optional<Database> readDatabase(const std::string &path, const ReadOptions &options,
                                     schema::ReaderError &error)
{
    std::string problem;
    const std::optional<jetfile::Header> header = readHeader(path, problem);
    if (!header) {
        error = unrecognised(path, problem);
        return std::nullopt;
    }
    // An encrypted file is read from its decrypted image, kept for the
    // whole reading; every message names the file itself.
    std::optional<acecrypt::DecryptedImage> image;
    if (header->format == jetfile::Format::Ace) {
        const std::optional<jetfile::AceHeader> ace = readAceHeader(path, problem);
        if (!ace) {
            error = unrecognised(path, problem);
            return std::nullopt;
        }
        if (ace->encrypted) {
            image = decryptDatabase(path, options.password, error);
            if (!image)
                return std::nullopt;
        }
    }
    MdbPtr mdb = openJet(image ? image->path() : path, *header);
    if (!mdb) {
        error = unrecognised(path, "libmdb cannot open it");
        return std::nullopt;
    }
    DatabaseReader reader(path, mdb.get(), header->format, options);
    auto db = reader.read(error);
    // The program ends once the answer is written: freeing libmdb's
    // catalogue would cost more than reading it.
    (void)mdb.release();
    return db;
}

std::optional<QStringList> readWorkgroupUsers(const std::string &path, schema::ReaderError &error)
{
    const auto unusable = [&](const std::string &why) {
        error = {WorkgroupUnusable, readerText("The workgroup information file '" + path + "' cannot be used: " + why)};
    };
    std::string problem;
    const std::optional<jetfile::Header> header = readHeader(path, problem);
    if (!header || header->format == jetfile::Format::Ace) {
        unusable((header ? "an ACE database" : problem) + ".");
        return std::nullopt;
    }
    MdbPtr mdb = openJet(path, *header);
    if (!mdb) {
        unusable("libmdb cannot open it.");
        return std::nullopt;
    }
    QStringList users;
    Catalogue catalogue(mdb.get());
    MdbCatalogEntry *table = catalogue.read() ? catalogue.localTable("MSysAccounts") : nullptr;
    RowReader accounts(mdb.get(), table, {"Name", "FGroup"});
    if (!accounts.ok()) {
        unusable(table ? "its accounts table (MSysAccounts) is damaged." : "it has no accounts table (MSysAccounts).");
        return std::nullopt;
    }
    while (accounts.next()) {
        if (toNumber(accounts.text(1)) == 0)
            users.append(readerText(accounts.text(0)));
    }
    return users;
}

}  // namespace reader
