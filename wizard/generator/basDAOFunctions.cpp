#include "wizard/generator/basDAOFunctions.h"

#include "utility/BasicError.h"
#include "wizard/engine/DaoCodes.h"

namespace tabulo {
namespace {

QString typeName(qint32 typeCode)
{
    switch (typeCode) {
    case dao::dbBoolean: return QStringLiteral("dbBoolean");
    case dao::dbByte: return QStringLiteral("dbByte");
    case dao::dbInteger: return QStringLiteral("dbInteger");
    case dao::dbLong: return QStringLiteral("dbLong");
    case dao::dbCurrency: return QStringLiteral("dbCurrency");
    case dao::dbSingle: return QStringLiteral("dbSingle");
    case dao::dbDouble: return QStringLiteral("dbDouble");
    case dao::dbDate: return QStringLiteral("dbDate");
    case dao::dbBinary: return QStringLiteral("dbBinary");
    case dao::dbText: return QStringLiteral("dbText");
    case dao::dbLongBinary: return QStringLiteral("dbLongBinary");
    case dao::dbMemo: return QStringLiteral("dbMemo");
    case dao::dbGUID: return QStringLiteral("dbGUID");
    case dao::dbBigInt: return QStringLiteral("dbBigInt");
    case dao::dbVarBinary: return QStringLiteral("dbVarBinary");
    case dao::dbChar: return QStringLiteral("dbChar");
    case dao::dbNumeric: return QStringLiteral("dbNumeric");
    case dao::dbDecimal: return QStringLiteral("dbDecimal");
    case dao::dbFloat: return QStringLiteral("dbFloat");
    case dao::dbTime: return QStringLiteral("dbTime");
    case dao::dbTimeStamp: return QStringLiteral("dbTimeStamp");
    case dao::dbDateTimeExtended: return QStringLiteral("dbDateTimeExtended");
    case dao::dbAttachment: return QStringLiteral("dbAttachment");
    case dao::dbComplexByte: return QStringLiteral("dbComplexByte");
    case dao::dbComplexInteger: return QStringLiteral("dbComplexInteger");
    case dao::dbComplexLong: return QStringLiteral("dbComplexLong");
    case dao::dbComplexSingle: return QStringLiteral("dbComplexSingle");
    case dao::dbComplexDouble: return QStringLiteral("dbComplexDouble");
    case dao::dbComplexGUID: return QStringLiteral("dbComplexGUID");
    case dao::dbComplexDecimal: return QStringLiteral("dbComplexDecimal");
    case dao::dbComplexText: return QStringLiteral("dbComplexText");
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
