#include "utility/Variant.h"

#include "utility/BasicError.h"

#include <cmath>

namespace pembry {

namespace {
const QString kSource = QStringLiteral("Variant");
constexpr int kInvalidUseOfNull = 94;

bool parseNumber(const QString &text, double *out)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (ok && out)
        *out = d;
    return ok;
}
}  // namespace

bool Variant::isNumeric() const
{
    switch (kind()) {
    case Kind::Boolean:
    case Kind::Integer:
    case Kind::Double:
        return true;
    case Kind::String:
        return parseNumber(std::get<QString>(m_value), nullptr);
    default:
        return false;
    }
}

QString Variant::toString() const
{
    switch (kind()) {
    case Kind::Empty:
        return QString();
    case Kind::Null:
        raiseError(kInvalidUseOfNull, kSource, QStringLiteral("Invalid use of Null"));
    case Kind::Boolean:
        return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Integer:
        return QString::number(std::get<qint64>(m_value));
    case Kind::Double:
        return QString::number(std::get<double>(m_value), 'g', 15);
    case Kind::String:
        return std::get<QString>(m_value);
    case Kind::Date:
        return std::get<QDateTime>(m_value).toString(Qt::ISODate);
    case Kind::Array:
        break;
    }
    raiseError(err::TypeMismatch, kSource);
}

double Variant::toDouble() const
{
    switch (kind()) {
    case Kind::Empty:
        return 0;
    case Kind::Null:
        raiseError(kInvalidUseOfNull, kSource, QStringLiteral("Invalid use of Null"));
    case Kind::Boolean:
        return std::get<bool>(m_value) ? -1 : 0;
    case Kind::Integer:
        return double(std::get<qint64>(m_value));
    case Kind::Double:
        return std::get<double>(m_value);
    case Kind::String: {
        double d = 0;
        if (parseNumber(std::get<QString>(m_value), &d))
            return d;
        break;
    }
    case Kind::Date: {
        // Basic serial date: days since 30 December 1899, time as the fraction.
        const QDateTime dt = std::get<QDateTime>(m_value);
        const qint64 days = QDate(1899, 12, 30).daysTo(dt.date());
        const double fraction = dt.time().msecsSinceStartOfDay() / 86400000.0;
        return days >= 0 ? days + fraction : days - fraction;
    }
    case Kind::Array:
        break;
    }
    raiseError(err::TypeMismatch, kSource);
}

qint64 Variant::toInteger() const
{
    if (kind() == Kind::Integer)
        return std::get<qint64>(m_value);
    const double d = toDouble();
    if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
        raiseError(err::Overflow, kSource);
    return qint64(std::nearbyint(d));   // default rounding mode: half to even
}

bool Variant::toBool() const
{
    if (kind() == Kind::Boolean)
        return std::get<bool>(m_value);
    if (kind() == Kind::String) {
        const QString s = std::get<QString>(m_value).trimmed();
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return toDouble() != 0;
}

QDateTime Variant::toDateTime() const
{
    switch (kind()) {
    case Kind::Date:
        return std::get<QDateTime>(m_value);
    case Kind::String: {
        const QDateTime dt = QDateTime::fromString(std::get<QString>(m_value), Qt::ISODate);
        if (dt.isValid())
            return dt;
        break;
    }
    case Kind::Null:
        raiseError(kInvalidUseOfNull, kSource, QStringLiteral("Invalid use of Null"));
    case Kind::Array:
        raiseError(err::TypeMismatch, kSource);
    default:
        break;
    }
    const double serial = toDouble();
    const double days = std::trunc(serial);
    const double fraction = std::fabs(serial - days);
    return QDateTime(QDate(1899, 12, 30).addDays(qint64(days)),
                     QTime::fromMSecsSinceStartOfDay(int(std::llround(fraction * 86400000.0)) % 86400000));
}

const Variant::Array &Variant::toArray() const
{
    if (kind() != Kind::Array)
        raiseError(err::TypeMismatch, kSource);
    return std::get<Array>(m_value);
}

Variant::Array &Variant::array()
{
    if (kind() != Kind::Array)
        raiseError(err::TypeMismatch, kSource);
    return std::get<Array>(m_value);
}

}  // namespace pembry
