#include "wizard/generator/PropertyValueText.h"

#include "wizard/engine/Dao.h"
#include "wizard/engine/ValueText.h"
#include "wizard/generator/basDAOFunctions.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tabulo {
namespace {

PropertyValueText expression(QString text)
{
    return {PropertyValueText::Expression, std::move(text)};
}

PropertyValueText none(QString why)
{
    return {PropertyValueText::None, std::move(why)};
}

// The shortest decimal that reads back as `value`, as a Basic number:
// plain from 0.0001 up to 10^15 ("0.1", "3000000"), with an exponent
// beyond ("1E+300", "-1.5E-07"). The sign of zero is dropped.
QString basicNumber(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    const auto format = magnitude >= 1e-4 && magnitude < 1e15 ? std::chars_format::fixed : std::chars_format::scientific;
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, format);
    QString number = QString::fromLatin1(text, written.ptr - text);
    number.replace(u'e', u'E');
    return number;
}

bool isWholeNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Char: case QMetaType::SChar:
    case QMetaType::UChar: case QMetaType::Long: case QMetaType::ULong: case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isNumber(const QVariant &value)
{
    return isWholeNumber(value) || value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

// The number `value` holds, in `number`; or why it is left out: it is no
// number (`what` says what it should be), or NaN or an infinity, which no
// Basic literal stands for.
std::optional<PropertyValueText> refuseUnlessFinite(const QVariant &value, const char *what, double &number)
{
    if (!isNumber(value))
        return none(QStringLiteral("the value is not %1").arg(QLatin1StringView(what)));
    number = value.toDouble();
    if (std::isnan(number))
        return none(QStringLiteral("NaN has no Basic literal"));
    if (std::isinf(number))
        return none(number > 0 ? QStringLiteral("Infinity has no Basic literal")
                               : QStringLiteral("-Infinity has no Basic literal"));
    return std::nullopt;
}

PropertyValueText wholeNumber(const QVariant &value, const QString &typeName, qlonglong low, qlonglong high)
{
    if (!isWholeNumber(value))
        return none(QStringLiteral("the value is not a whole number"));
    const qlonglong number = value.toLongLong();
    if (number < low || number > high)
        return none(QStringLiteral("%1 is out of range for %2").arg(number).arg(typeName));
    return expression(QString::number(number));
}

// Currency holds ten-thousandths in 64 bits. Amounts below 10^11 read
// exactly even where Basic reads a literal through a Double; larger ones
// are a whole part, which a Double holds exactly, and a fraction.
PropertyValueText currency(const QVariant &value)
{
    if (!isWholeNumber(value))
        return none(QStringLiteral("the value is not a Currency amount"));
    const qlonglong units = value.toLongLong();
    constexpr qlonglong kExactThroughDouble = 1'000'000'000'000'000;
    if (units > -kExactThroughDouble && units < kExactThroughDouble)
        return expression(QString::fromStdString(schema::currencyText(units)) + u'@');
    const qlonglong whole = units / 10000;
    const qlonglong fraction = units % 10000;
    const QString wholeText = QString::number(whole) + u'@';
    if (fraction == 0)
        return expression(wholeText);
    const QString fractionText = QString::fromStdString(schema::currencyText(fraction < 0 ? -fraction : fraction));
    return expression(QStringLiteral("(%1 %2 %3@)").arg(wholeText, units < 0 ? u"-" : u"+", fractionText));
}

PropertyValueText single(const QVariant &value)
{
    double given = 0;
    if (auto refused = refuseUnlessFinite(value, "a number", given))
        return *refused;
    const float f = float(given);
    if (std::isinf(f))
        return none(QStringLiteral("%1 is out of range for dbSingle").arg(basicNumber(given)));
    return expression(basicNumber(schema::singleAsDouble(f)));
}

PropertyValueText real(const QVariant &value)
{
    double d = 0;
    if (auto refused = refuseUnlessFinite(value, "a number", d))
        return *refused;
    return expression(basicNumber(d));
}

// Basic's dates run from 1 January 100 (serial -657434; the time of a day
// before 1900 is the fraction beyond the whole day) to 31 December 9999.
PropertyValueText date(const QVariant &value)
{
    double d = 0;
    if (auto refused = refuseUnlessFinite(value, "a serial date", d))
        return *refused;
    if (d <= -657435.0 || d >= 2958466.0)
        return none(QStringLiteral("the serial date %1 is outside the dates Basic holds (years 100 to 9999)")
                        .arg(basicNumber(d)));
    return expression(QStringLiteral("CDate(%1)").arg(basicNumber(d)));
}

}  // namespace

PropertyValueText propertyValueText(int type, const QVariant &value)
{
    const QString typeName = FieldTypeAsText(type);
    if (typeName.isEmpty())
        return none(QStringLiteral("the type code %1 has no DAO constant").arg(type));
    if (value.typeId() == QMetaType::QByteArray) {
        const qsizetype size = value.toByteArray().size();
        return none(QStringLiteral("binary data (%1 %2) has no Basic literal")
                        .arg(size)
                        .arg(size == 1 ? QStringLiteral("byte") : QStringLiteral("bytes")));
    }
    switch (type) {
    case dao::dbBoolean:
        if (!isNumber(value))
            return none(QStringLiteral("the value is not a Boolean"));
        return expression(value.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
    case dao::dbByte:
        return wholeNumber(value, typeName, 0, 255);
    case dao::dbInteger:
        return wholeNumber(value, typeName, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
    case dao::dbLong:
        return wholeNumber(value, typeName, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    case dao::dbCurrency:
        return currency(value);
    case dao::dbSingle:
        return single(value);
    case dao::dbDouble:
        return real(value);
    case dao::dbDate:
        return date(value);
    case dao::dbText:
    case dao::dbMemo:
    case dao::dbGUID:
        if (!value.canConvert<QString>())
            return none(QStringLiteral("the value is not a text"));
        return {PropertyValueText::Text, value.toString()};
    default:
        return none(QStringLiteral("a %1 value has no Basic literal").arg(typeName));
    }
}

}  // namespace tabulo
