#include "utility/Variant.h"

#include "utility/BasicError.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace pembry {

namespace {
const QString kSource = QStringLiteral("Variant");
constexpr int kInvalidUseOfNull = 94;

bool parseNumber(const QString &text, double *out)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    ok = ok && std::isfinite(d);   // "nan" and "inf" are not Basic numbers
    if (ok && out)
        *out = d;
    return ok;
}

// The serial-date range of Basic: 1 January 100 to 31 December 9999.
constexpr double kFirstSerial = -657435.0;
constexpr double kLastSerial = 2958466.0;
constexpr qint64 kMsecsPerDay = 86400000;

// A two-digit year read by Qt lies in 1900..1999; Basic reads 00-29 as 2000-2029.
QDateTime withBasicCentury(QDateTime dt, const QString &format)
{
    if (format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy")) && dt.date().year() < 1930)
        dt.setDate(dt.date().addYears(100));
    return dt;
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

bool Variant::isDate() const
{
    if (kind() == Kind::Date)
        return true;
    return kind() == Kind::String && dateFromText(std::get<QString>(m_value)).isValid();
}

QDateTime Variant::dateFromText(const QString &text)
{
    const QString t = text.simplified();
    if (t.isEmpty())
        return {};
    for (const auto format : {Qt::ISODate, Qt::ISODateWithMs}) {
        const QDateTime iso = QDateTime::fromString(t, format);
        if (iso.isValid())
            return iso;
    }
    static const QStringList dateFormats = {
        QStringLiteral("yyyy-MM-dd"), QStringLiteral("M/d/yyyy"), QStringLiteral("M/d/yy"),
        QStringLiteral("d MMMM yyyy"), QStringLiteral("d MMM yyyy"), QStringLiteral("MMMM d, yyyy"),
        QStringLiteral("MMM d, yyyy"), QStringLiteral("MMMM d yyyy"), QStringLiteral("MMM d yyyy"),
    };
    static const QStringList timeFormats = {
        QStringLiteral("H:mm"), QStringLiteral("H:mm:ss"), QStringLiteral("h:mm AP"), QStringLiteral("h:mm:ss AP"),
    };
    const QLocale c = QLocale::c();
    const bool hasTime = t.contains(QLatin1Char(':'));
    for (const QString &dateFormat : dateFormats) {
        if (!hasTime) {
            const QDate d = c.toDate(t, dateFormat);
            if (d.isValid())
                return withBasicCentury(QDateTime(d, QTime(0, 0)), dateFormat);
            continue;
        }
        for (const QString &timeFormat : timeFormats) {
            const QString format = dateFormat + QLatin1Char(' ') + timeFormat;
            const QDateTime dt = c.toDateTime(t, format);
            if (dt.isValid())
                return withBasicCentury(dt, format);
        }
    }
    if (hasTime) {
        for (const QString &timeFormat : timeFormats) {
            const QTime time = c.toTime(t, timeFormat);
            if (time.isValid())
                return QDateTime(QDate(1899, 12, 30), time);
        }
    }
    return {};
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
    case Kind::Double: {
        const double d = std::get<double>(m_value);
        if (d == 0)
            return QStringLiteral("0");   // also for -0
        return QString::number(d, 'g', 15).replace(QLatin1Char('e'), QLatin1Char('E'));
    }
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
        const QDateTime dt = dateFromText(std::get<QString>(m_value));
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
    if (!(serial > kFirstSerial && serial < kLastSerial))
        raiseError(err::Overflow, kSource);
    // The whole days count from 30 December 1899; the fraction is the time of
    // that day also for negative serials (-1.25 is 29 December 1899, 06:00).
    qint64 days = qint64(std::trunc(serial));
    qint64 msecs = std::llround(std::fabs(serial - double(days)) * double(kMsecsPerDay));
    if (msecs >= kMsecsPerDay) {   // rounded up to midnight: the next day
        ++days;
        msecs = 0;
    }
    return QDateTime(QDate(1899, 12, 30).addDays(days), QTime::fromMSecsSinceStartOfDay(int(msecs)));
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
