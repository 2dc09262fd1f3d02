#include "utility/DateHelper.h"

#include "utility/BasicError.h"

namespace pembry {

namespace {
const QString kSource = QStringLiteral("Pembry31.DateHelper");
constexpr double kMsecsPerDay = 86400000.0;

// `value` as a date when it is a number, a date or a date text (Empty reads as
// the number 0); otherwise error 5 with `description`.
QDateTime dateArgument(const Variant &value, const QString &description)
{
    if (!(value.isEmpty() || value.isNumeric() || value.isDate()))
        raiseError(err::InvalidCall, kSource, description);
    try {
        return value.toDateTime();
    } catch (const BasicError &e) {
        throw e.withSource(kSource);
    }
}

QDateTime withDate(QDateTime dateTime, QDate date)
{
    dateTime.setDate(date);   // the time of day and its zone are kept
    return dateTime;
}
}  // namespace

int DateHelper::DaysInMonth(const QDateTime &inputDate) const
{
    if (!inputDate.date().isValid())
        raiseError(err::InvalidCall, kSource, QStringLiteral("Invalid date parameter sent to DaysInMonth function."));
    return inputDate.date().daysInMonth();
}

QDateTime DateHelper::FirstDayOfMonth(const Variant &dateToAdjust) const
{
    const QDateTime date =
        dateArgument(dateToAdjust, QStringLiteral("Invalid date parameter sent to FirstDayOfMonth function."));
    return withDate(date, date.date().addDays(1 - date.date().day()));
}

QDateTime DateHelper::LastDayOfMonth(const Variant &dateToAdjust) const
{
    const QDateTime date =
        dateArgument(dateToAdjust, QStringLiteral("Invalid date parameter sent to LastDayOfMonth function."));
    // One month on (the 31st becomes the last day of a shorter month), then
    // back by that date's day number.
    const QDate nextMonth = date.date().addMonths(1);
    return withDate(date, nextMonth.addDays(-nextMonth.day()));
}

QString DateHelper::MonthNumberAsText(const QDateTime &startDate, const QDateTime &monthNumber) const
{
    const QDate from = startDate.date();
    const QDate to = monthNumber.date();
    const int months = (to.year() * 12 + to.month()) - (from.year() * 12 + from.month()) + 1;
    const QString digits = QStringLiteral("%1").arg(std::abs(months), 2, 10, QLatin1Char('0'));
    return months < 0 ? QLatin1Char('-') + digits : digits;
}

double DateHelper::FullDateTime(const QString &dateToAdjust) const
{
    const QDateTime date = Variant::dateFromText(dateToAdjust);
    if (!date.isValid())
        return 0;
    return Variant(date).toDouble() + QTime::currentTime().msecsSinceStartOfDay() / kMsecsPerDay;
}

}  // namespace pembry
