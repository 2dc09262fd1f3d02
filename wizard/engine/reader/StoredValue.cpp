#include "wizard/engine/reader/StoredValue.h"

#include "wizard/engine/jetfile/PropertyValue.h"

#include <QByteArray>
#include <QString>
#include <algorithm>

namespace reader {

QVariant storedValue(int daoType, std::span<const std::uint8_t> bytes)
{
    namespace t = jetfile::daotype;
    switch (daoType) {
    case t::Boolean:
        return std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; });
    case t::Byte: case t::Integer: case t::Long:
        return int(jetfile::storedInteger(daoType, bytes));
    case t::Currency:
        return qlonglong(jetfile::storedInteger(daoType, bytes));
    case t::Single:
        return float(jetfile::storedReal(bytes));
    case t::Double: case t::Date:
        return jetfile::storedReal(bytes);
    case t::Guid:
        return QString::fromStdString(jetfile::guidText(bytes));
    default:
        return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
}

}  // namespace reader
