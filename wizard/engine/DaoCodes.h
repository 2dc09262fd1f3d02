#pragma once
// The codes DAO gives field types, attribute bits and engine errors,
// declared once for everything that reads or writes a design: the engine
// interface (Dao.h), the schema model's JSON form, the file reader and the
// generators. Plain C++, so that the reader and the byte readers of
// reader/jetfile/ can use them without Qt.

#include <cstdint>

namespace dao {

// DAO field type codes; property values carry the same codes.
enum DataType {
    dbBoolean = 1, dbByte = 2, dbInteger = 3, dbLong = 4, dbCurrency = 5,
    dbSingle = 6, dbDouble = 7, dbDate = 8, dbBinary = 9, dbText = 10,
    dbLongBinary = 11, dbMemo = 12, dbGUID = 15, dbBigInt = 16, dbVarBinary = 17,
    dbChar = 18, dbNumeric = 19, dbDecimal = 20, dbFloat = 21, dbTime = 22,
    dbTimeStamp = 23, dbDateTimeExtended = 26,
    // ACE's attachments and multi-valued (complex) fields.
    dbAttachment = 101, dbComplexByte = 102, dbComplexInteger = 103, dbComplexLong = 104,
    dbComplexSingle = 105, dbComplexDouble = 106, dbComplexGUID = 107, dbComplexDecimal = 108,
    dbComplexText = 109
};

// Field attribute bits.
enum FieldAttribute : std::int32_t {
    dbFixedField = 0x1, dbVariableField = 0x2, dbAutoIncrField = 0x10,
    dbUpdatableField = 0x20, dbSystemField = 0x2000, dbHyperlinkField = 0x8000,
    dbDescending = 0x1
};

// TableDef attribute bits.
enum TableAttribute : std::int32_t {
    dbHiddenObject = 0x1, dbSystemObject = std::int32_t(0x80000002u),
    dbAttachExclusive = 0x10000, dbAttachSavePWD = 0x20000,
    dbAttachedODBC = 0x20000000, dbAttachedTable = 0x40000000
};

// Relation attribute bits.
enum RelationAttribute : std::int32_t {
    dbRelationUnique = 0x1, dbRelationDontEnforce = 0x2, dbRelationInherited = 0x4,
    dbRelationUpdateCascade = 0x100, dbRelationDeleteCascade = 0x1000,
    dbRelationLeft = 0x1000000, dbRelationRight = 0x2000000
};

// Engine error numbers the wizard and the reader give or test for.
namespace errors {
constexpr int WorkgroupUnusable = 3028;   // cannot start: workgroup file missing or not one
constexpr int NotValidAccount = 3029;     // not a valid account name or password
constexpr int NotValidPassword = 3030;
constexpr int NotValidDbPassword = 3031;
constexpr int NoPermission = 3033;
constexpr int NoReadDefinitions = 3110;
constexpr int FormatNotRecognised = 3343;
constexpr int NotReplica = 3478;           // the database is not replicable
}  // namespace errors

}  // namespace dao
