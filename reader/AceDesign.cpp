#include "reader/AceDesign.h"

#include "reader/jetfile/PropertyBlock.h"
#include "reader/jetfile/PropertyValue.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <map>
#include <strings.h>

namespace reader::ace {

namespace {


constexpr std::uint32_t PageNumberBits = 0x00FFFFFF;
// Access keeps the values of a calculated field behind a 23-byte header.
constexpr int CalculatedOverhead = 23;

constexpr std::string_view TemplatePrefix = "MSysComplexType_";
constexpr std::string_view VersionHistoryPrefix = "MSysComplexTypeVH_";
struct Template {
    std::string_view name;      // after TemplatePrefix
    int daoType;
};
constexpr Template Templates[] = {
    {"Attachment", dao::dbAttachment},       {"UnsignedByte", dao::dbComplexByte},
    {"Short", dao::dbComplexInteger},        {"Long", dao::dbComplexLong},
    {"IEEESingle", dao::dbComplexSingle},    {"IEEEDouble", dao::dbComplexDouble},
    {"GUID", dao::dbComplexGUID},            {"Decimal", dao::dbComplexDecimal},
    {"Text", dao::dbComplexText},
};

constexpr std::string_view EngineProperties[] = {"ResultType", "FCMinReadVer", "FCMinWriteVer", "FCMinDesignVer"};

std::uint32_t pageOf(const std::string &id) { return std::uint32_t(toNumber(id)) & PageNumberBits; }

int templateType(std::string_view name)
{
    if (!name.starts_with(TemplatePrefix))
        return 0;
    name.remove_prefix(TemplatePrefix.size());
    for (const Template &t : Templates) {
        if (t.name == name)
            return t.daoType;
    }
    return 0;
}

// The characters of the Value column of a multi-valued text field's flat
// table; of its template's when the flat table has none. 0 when neither can be read.
int valueSize(MdbHandle *mdb, std::initializer_list<std::uint32_t> pages)
{
    for (std::uint32_t page : pages) {
        std::string problem;
        const auto definition = readDefinition(mdb, page, jetfile::Format::Ace, problem);
        if (!definition)
            continue;
        for (const jetfile::ColumnEntry &column : definition->columns) {
            if (decodeText(mdb, column.name) == "Value")
                return column.size / 2;
        }
    }
    return 0;
}

// The element size of a multi-valued field, as for the plain field of that type.
int complexSize(const ComplexColumn &complex)
{
    switch (complex.daoType) {
    case dao::dbComplexText: return complex.textSize;
    case dao::dbComplexByte: return 1;
    case dao::dbComplexInteger: return 2;
    case dao::dbComplexLong: case dao::dbComplexSingle: return 4;
    case dao::dbComplexDouble: return 8;
    case dao::dbComplexGUID: case dao::dbComplexDecimal: return 16;
    default: return 0;
    }
}

// The columns' properties in a table's property block, found by a column's name.
class PropertySets {
public:
    PropertySets(MdbHandle *mdb, std::span<const std::uint8_t> bytes) : m_mdb(mdb)
    {
        static constexpr std::string_view wanted[] = {"Expression", "ResultType", "AppendOnly"};
        if (bytes.empty())
            return;
        if (auto parsed = jetfile::parsePropertyBlock(bytes, jetfile::Format::Ace, wanted)) {
            m_block = std::move(*parsed);
            for (const jetfile::PropertySet &set : m_block.sets)
                m_targets.push_back(decodeText(mdb, set.target));
        }
    }

    const jetfile::Property *value(const std::string &column, std::string_view name) const
    {
        for (std::size_t i = 0; i < m_targets.size(); ++i) {
            if (!m_targets[i].empty() && strcasecmp(m_targets[i].c_str(), column.c_str()) == 0)
                return m_block.value(m_block.sets[i], name);
        }
        return nullptr;
    }

    std::string text(const std::string &column, std::string_view name) const
    {
        const jetfile::Property *p = value(column, name);
        return p ? decodeText(m_mdb, p->bytes) : std::string();
    }

    std::optional<int> number(const std::string &column, std::string_view name) const
    {
        const jetfile::Property *p = value(column, name);
        const int type = p ? jetfile::daoPropertyType(p->type) : 0;
        if (!p || type < dao::dbByte || type > dao::dbLong || !jetfile::fitsType(type, p->bytes.size()))
            return std::nullopt;
        return int(jetfile::storedInteger(type, p->bytes));
    }

    bool flag(const std::string &column, std::string_view name) const
    {
        const jetfile::Property *p = value(column, name);
        return p && std::any_of(p->bytes.begin(), p->bytes.end(), [](std::uint8_t b) { return b != 0; });
    }

private:
    MdbHandle *m_mdb;
    jetfile::PropertyBlock m_block;
    std::vector<std::string> m_targets;
};

void describeComplex(const jetfile::ColumnEntry &column, std::uint32_t tablePage,
                     const ComplexColumns &complexColumns, FieldDesign &field)
{
    const ComplexColumn *complex = complexColumns.find(column.complexId);
    if (!complex)
        complex = complexColumns.find(tablePage, field.name);
    field.flags &= std::uint8_t(~jetfile::columnflag::AutoLong);
    if (complex && complex->versionHistory) {
        field.kind = FieldDesign::Kind::VersionHistory;
    } else if (complex && complex->daoType != 0) {
        field.kind = FieldDesign::Kind::Complex;
        field.daoType = complex->daoType;
        field.daoSize = complexSize(*complex);
    } else {
        field.kind = FieldDesign::Kind::Unnamed;
    }
}

}  // namespace

std::optional<int> daoType(int storage)
{
    switch (storage) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_MONEY: case MDB_FLOAT:
    case MDB_DOUBLE: case MDB_DATETIME: case MDB_BINARY: case MDB_TEXT: case MDB_OLE: case MDB_MEMO:
    case MDB_REPID:
        return storage;   // Jet's codes are DAO's for these
    case MDB_NUMERIC: return dao::dbDecimal;
    case StorageBigInt: return dao::dbBigInt;
    case StorageDateTimeExtended: return dao::dbDateTimeExtended;
    default: return std::nullopt;
    }
}

int daoSize(int type, int storedBytes, bool calculated)
{
    switch (type) {
    case dao::dbBoolean: case dao::dbByte: return 1;
    case dao::dbInteger: return 2;
    case dao::dbLong: case dao::dbSingle: return 4;
    case dao::dbCurrency: case dao::dbDouble: case dao::dbDate: case dao::dbBigInt: return 8;
    case dao::dbGUID: case dao::dbDecimal: return 16;
    case dao::dbMemo: case dao::dbLongBinary: return 0;
    case dao::dbText: return std::max(0, storedBytes - (calculated ? CalculatedOverhead : 0)) / 2;
    default: return calculated ? 0 : storedBytes;
    }
}

const ComplexColumn *ComplexColumns::find(std::int32_t complexId) const
{
    for (const ComplexColumn &c : columns) {
        if (c.complexId == complexId)
            return &c;
    }
    return nullptr;
}

const ComplexColumn *ComplexColumns::find(std::uint32_t tablePage, std::string_view column) const
{
    for (const ComplexColumn &c : columns) {
        if (c.tablePage == tablePage && c.column.size() == column.size() &&
            strncasecmp(c.column.data(), column.data(), column.size()) == 0)
            return &c;
    }
    return nullptr;
}

ComplexColumns readComplexColumns(MdbHandle *mdb, const Catalogue &catalogue)
{
    ComplexColumns result;
    MdbCatalogEntry *table = catalogue.localTable("MSysComplexColumns");
    RowReader rows(mdb, table, {"ColumnName", "ComplexID", "ConceptualTableID", "FlatTableID", "ComplexTypeObjectID"});
    if (!rows.ok()) {
        result.damaged = table != nullptr;
        return result;
    }
    std::map<std::uint32_t, const std::string *> names;
    for (const Catalogue::Table &table : catalogue.tables()) {
        if (table.entry)
            names.emplace(std::uint32_t(table.entry->table_pg), &table.name);
    }
    while (rows.next()) {
        ComplexColumn c;
        c.column = rows.text(0);
        c.complexId = std::int32_t(toNumber(rows.text(1)));
        c.tablePage = pageOf(rows.text(2));
        c.flatTablePage = pageOf(rows.text(3));
        const std::uint32_t templatePage = pageOf(rows.text(4));
        if (const auto name = names.find(templatePage); name != names.end())
            c.templateName = *name->second;
        c.versionHistory = c.templateName.starts_with(VersionHistoryPrefix);
        c.daoType = templateType(c.templateName);
        if (c.daoType == dao::dbComplexText)
            c.textSize = valueSize(mdb, {c.flatTablePage, templatePage});
        result.columns.push_back(std::move(c));
    }
    return result;
}

FieldDesign describeColumn(const jetfile::ColumnEntry &column, std::string name, std::uint32_t tablePage,
                           const ComplexColumns &complexColumns, const ColumnProperties &properties)
{
    FieldDesign field;
    field.name = std::move(name);
    field.number = column.number;
    field.storageType = column.type;
    field.flags = column.flags;
    const int resultType = properties.resultType ? daoType(*properties.resultType).value_or(0) : 0;
    if (column.type == jetfile::ComplexColumnType) {
        describeComplex(column, tablePage, complexColumns, field);
    } else if ((column.extraFlags & jetfile::extraflag::Calculated) && resultType != 0) {
        field.kind = FieldDesign::Kind::Calculated;
        field.daoType = resultType;
        field.daoSize = daoSize(resultType, column.size, true);
        field.expression = properties.expression;
    } else if (const std::optional<int> type = daoType(column.type)) {
        field.daoType = *type;
        field.daoSize = daoSize(*type, column.size);
    } else {
        field.kind = FieldDesign::Kind::Unnamed;
    }
    field.appendOnly = properties.appendOnly;
    return field;
}

TableDesign describeTable(MdbHandle *mdb, std::uint32_t tablePage, const jetfile::TableDefinition &definition,
                          std::span<const std::uint8_t> properties, const ComplexColumns &complexColumns)
{
    TableDesign design;
    const PropertySets stored(mdb, properties);
    for (const jetfile::ColumnEntry &column : definition.columns) {
        std::string name = decodeText(mdb, column.name);
        ColumnProperties own;
        own.resultType = stored.number(name, "ResultType");
        own.expression = stored.text(name, "Expression");
        own.appendOnly = stored.flag(name, "AppendOnly");
        design.fields.push_back(describeColumn(column, std::move(name), tablePage, complexColumns, own));
    }
    for (const jetfile::LogicalIndex &index : definition.indexes) {
        if (isComplexColumnIndex(definition, index))
            design.engineIndexes.push_back(decodeText(mdb, index.name));
    }
    return design;
}

bool isEngineTable(std::string_view name)
{
    if (name.starts_with("MSysComplex"))
        return true;
    // f_, the column's GUID in 32 hexadecimal digits, _, the column's name.
    constexpr std::size_t Digits = 32;
    if (name.size() <= 2 + Digits + 1 || !name.starts_with("f_") || name[2 + Digits] != '_')
        return false;
    return std::all_of(name.begin() + 2, name.begin() + 2 + Digits,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

bool isEngineProperty(std::string_view name)
{
    return std::any_of(std::begin(EngineProperties), std::end(EngineProperties), [&](std::string_view p) {
        return p.size() == name.size() && strncasecmp(p.data(), name.data(), p.size()) == 0;
    });
}

bool isComplexColumnIndex(const jetfile::TableDefinition &definition, const jetfile::LogicalIndex &index)
{
    if (index.realIndex < 0 || std::size_t(index.realIndex) >= definition.realIndexes.size())
        return false;
    const std::vector<int> &key = definition.realIndexes[std::size_t(index.realIndex)].columns;
    return key.size() == 1 && std::any_of(definition.columns.begin(), definition.columns.end(),
                                          [&](const jetfile::ColumnEntry &c) {
                                              return c.number == key.front() && c.type == jetfile::ComplexColumnType;
                                          });
}

}  // namespace reader::ace
