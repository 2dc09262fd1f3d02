#pragma once
// What an ACE (.accdb) file adds to the design of a Jet 4 table, read on an
// open libmdb handle: complex columns (attachments, multi-valued fields and
// the engine's hidden version history of append-only memos), calculated
// fields, append-only memos, the storage types ACE added, and the tables,
// indexes and properties the engine makes for itself. Plain C++ and libmdb.

#include "wizard/engine/DaoCodes.h"
#include "reader/Catalogue.h"

#include <optional>
#include <string_view>

namespace reader::ace {

// Storage types ACE added to Jet 4's.
constexpr int StorageBigInt = 0x13, StorageDateTimeExtended = 0x14;

// The DAO type of storage type `storage`, which is also how a calculated
// field's ResultType property names its type. Nothing for a complex column
// and for a type no DAO constant names (0x46, 0x47 occur in real files).
std::optional<int> daoType(int storage);

// A complex column as MSysComplexColumns lists it, with its kind.
struct ComplexColumn {
    std::uint32_t tablePage = 0;        // ConceptualTableID: the table's definition page
    std::string column;                 // ColumnName
    std::int32_t complexId = 0;         // ComplexID, also in the column's definition entry
    std::uint32_t flatTablePage = 0;    // FlatTableID: the hidden table holding the values
    std::string templateName;           // the MSysComplexType… table ComplexTypeObjectID names
    int daoType = 0;                    // 101-109; 0 for a version history or an unknown template
    bool versionHistory = false;        // the hidden history of an append-only memo
    int textSize = 0;                   // multi-valued text: characters of the flat table's Value
};

struct ComplexColumns {
    std::vector<ComplexColumn> columns;   // in MSysComplexColumns' order
    bool damaged = false;                 // MSysComplexColumns is there but cannot be read

    // By ComplexID (unique in a database), or by table page and column name.
    const ComplexColumn *find(std::int32_t complexId) const;
    const ComplexColumn *find(std::uint32_t tablePage, std::string_view column) const;
};

// Reads MSysComplexColumns, the names of the templates and the flat tables
// of multi-valued text. Empty for a file without complex columns (Jet).
ComplexColumns readComplexColumns(MdbHandle *mdb, const Catalogue &catalogue);

// How a column of an ACE table reads in DAO terms.
struct FieldDesign {
    enum class Kind {
        Plain,          // a Jet 4 type, Large Number or Date/Time Extended
        Complex,        // attachment or multi-valued: daoType 101-109
        VersionHistory, // the engine's own: no part of the design
        Calculated,     // daoType and daoSize of the result; expression set
        Unnamed,        // a storage type no DAO constant names: storageType says which
    };
    std::string name;
    int number = 0;             // column number as libmdb's col_num reads it
    Kind kind = Kind::Plain;
    int storageType = 0;        // as stored in the definition
    // The column's flag byte (jetfile::columnflag) as DAO shows it: ACE marks
    // complex columns auto-increment, which the field a design creates is not.
    std::uint8_t flags = 0;
    int daoType = 0;            // 0 for VersionHistory and Unnamed
    int daoSize = 0;            // characters for texts, bytes for the others, 0 for long values
    std::string expression;     // Calculated: the Expression property
    bool appendOnly = false;    // the AppendOnly property (memos)
};

struct TableDesign {
    std::vector<FieldDesign> fields;            // in the definition's column order
    std::vector<std::string> engineIndexes;     // the indexes behind complex columns, by name
};

// The properties of a column that decide its design.
struct ColumnProperties {
    std::optional<int> resultType;  // ResultType: a storage type; on calculated fields only non-zero
    std::string expression;         // Expression
    bool appendOnly = false;        // AppendOnly
};

// The design of one column entry named `name` of the table whose definition
// lies on page `tablePage`.
FieldDesign describeColumn(const jetfile::ColumnEntry &column, std::string name, std::uint32_t tablePage,
                           const ComplexColumns &complexColumns, const ColumnProperties &properties);

// The design of the table whose definition (read from page `tablePage`)
// and property block (MSysObjects.LvProp) are given.
TableDesign describeTable(MdbHandle *mdb, std::uint32_t tablePage, const jetfile::TableDefinition &definition,
                          std::span<const std::uint8_t> properties, const ComplexColumns &complexColumns);

// The DAO size of a field of DAO type `type` stored in `storedBytes` bytes;
// `calculated` for the value container of a calculated field.
int daoSize(int type, int storedBytes, bool calculated = false);

// What the engine makes and keeps itself, which no design recreates:
//   tables: MSysComplexColumns, the MSysComplexType… templates and the flat
//   tables f_<32 hex digits>_<column> of the complex columns;
bool isEngineTable(std::string_view name);
//   properties: ResultType, FCMinReadVer, FCMinWriteVer, FCMinDesignVer;
bool isEngineProperty(std::string_view name);
//   indexes: the one behind each complex column, whose key is that column
//   alone (its name keeps the column's first name, so the key decides).
bool isComplexColumnIndex(const jetfile::TableDefinition &definition, const jetfile::LogicalIndex &index);

}  // namespace reader::ace
