#include "reader/StoredValue.h"

#include "wizard/engine/DaoCodes.h"
#include "reader/jetfile/PropertyValue.h"

#include <QByteArray>
#include <QString>
#include <algorithm>

namespace reader {

QVariant storedValue(int daoType, std::span<const std::uint8_t> bytes)
{
    switch (daoType) {
    case dao::dbBoolean:
        return std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; });
    case dao::dbByte: case dao::dbInteger: case dao::dbLong:
        return int(jetfile::storedInteger(daoType, bytes));
    case dao::dbCurrency:
        return qlonglong(jetfile::storedInteger(daoType, bytes));
    case dao::dbSingle:
        return float(jetfile::storedReal(bytes));
    case dao::dbDouble: case dao::dbDate:
        return jetfile::storedReal(bytes);
    case dao::dbGUID:
        return QString::fromStdString(jetfile::guidText(bytes));
    default:
        return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
}

}  // namespace reader
