#include "wizard/generator/basDAOFunctions.h"

#include "utility/BasicError.h"

namespace tabulo {
namespace {

QString typeName(qint32 typeCode)
{
    switch (typeCode) {
    case 1: return QStringLiteral("dbBoolean");
    case 2: return QStringLiteral("dbByte");
    case 3: return QStringLiteral("dbInteger");
    case 4: return QStringLiteral("dbLong");
    case 5: return QStringLiteral("dbCurrency");
    case 6: return QStringLiteral("dbSingle");
    case 7: return QStringLiteral("dbDouble");
    case 8: return QStringLiteral("dbDate");
    case 9: return QStringLiteral("dbBinary");
    case 10: return QStringLiteral("dbText");
    case 11: return QStringLiteral("dbLongBinary");
    case 12: return QStringLiteral("dbMemo");
    case 15: return QStringLiteral("dbGUID");
    case 16: return QStringLiteral("dbBigInt");
    case 17: return QStringLiteral("dbVarBinary");
    case 18: return QStringLiteral("dbChar");
    case 19: return QStringLiteral("dbNumeric");
    case 20: return QStringLiteral("dbDecimal");
    case 21: return QStringLiteral("dbFloat");
    case 22: return QStringLiteral("dbTime");
    case 23: return QStringLiteral("dbTimeStamp");
    case 26: return QStringLiteral("dbDateTimeExtended");
    case 101: return QStringLiteral("dbAttachment");
    case 102: return QStringLiteral("dbComplexByte");
    case 103: return QStringLiteral("dbComplexInteger");
    case 104: return QStringLiteral("dbComplexLong");
    case 105: return QStringLiteral("dbComplexSingle");
    case 106: return QStringLiteral("dbComplexDouble");
    case 107: return QStringLiteral("dbComplexGUID");
    case 108: return QStringLiteral("dbComplexDecimal");
    case 109: return QStringLiteral("dbComplexText");
    default: return {};
    }
}

}  // namespace

QString FieldTypeAsText(qint32 typeCode)
{
    try {
        return typeName(typeCode);
    } catch (const pembry::BasicError &e) {
        throw e.withSource(QStringLiteral("Function - FieldTypeAsText"));
    }
}

}  // namespace tabulo
