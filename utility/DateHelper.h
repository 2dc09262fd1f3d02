#pragma once
// DateHelper: month arithmetic on Basic dates. Dates are QDateTime values read
// as wall-clock date and time; serial dates count days from 30 December 1899
// with the time of day as the fraction (see Variant::toDateTime).
//
// Errors carry the source "Pembry31.DateHelper".

#include "utility/Variant.h"

#include <QDateTime>
#include <QString>

namespace pembry {

class DateHelper {
public:
    // The number of days (28..31) of the month of `inputDate`. An invalid date
    // raises error 5.
    int DaysInMonth(const QDateTime &inputDate) const;

    // The first day of the month of `dateToAdjust` (a Date, a date text or a
    // serial number), the time of day kept. Anything else raises error 5
    // "Invalid date parameter sent to FirstDayOfMonth function.".
    QDateTime FirstDayOfMonth(const Variant &dateToAdjust) const;

    // The last day of the month, likewise (error 5 "Invalid date parameter
    // sent to LastDayOfMonth function.").
    QDateTime LastDayOfMonth(const Variant &dateToAdjust) const;

    // The number of month boundaries from `startDate` to `monthNumber`, plus 1,
    // with at least two digits: the same month gives «01», eleven months
    // later «12», the month before «00».
    QString MonthNumberAsText(const QDateTime &startDate, const QDateTime &monthNumber) const;

    // The serial value of the date text plus the current time of day; 0 when
    // the text is no date.
    double FullDateTime(const QString &dateToAdjust) const;
};

}  // namespace pembry
