#include "utility/BasicError.h"
#include "RaisedError.h"
#include "utility/DateHelper.h"

#include "Printing.h"

#include <gtest/gtest.h>

using namespace pembry;

namespace {
const DateHelper dates;

QDateTime at(int y, int m, int d, int h = 0, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

using testsupport::raisedError;
}  // namespace

TEST(DateHelper, DaysInMonthFollowsTheGregorianCalendar)
{
    for (int day = 1; day <= 29; ++day)
        EXPECT_EQ(dates.DaysInMonth(at(2000, 2, day)), 29);
    EXPECT_EQ(dates.DaysInMonth(at(1900, 2, 28)), 28);
    EXPECT_EQ(dates.DaysInMonth(at(2001, 1, 31)), 31);
    EXPECT_EQ(dates.DaysInMonth(at(2001, 4, 30)), 30);
    EXPECT_EQ(dates.DaysInMonth(at(9999, 12, 31)), 31);
    EXPECT_EQ(raisedError([] { dates.DaysInMonth(QDateTime()); }).number(), err::InvalidCall);
}

TEST(DateHelper, FirstAndLastDayKeepTheTimeOfDay)
{
    EXPECT_EQ(dates.LastDayOfMonth(Variant(at(2001, 1, 31))), at(2001, 1, 31));
    EXPECT_EQ(dates.LastDayOfMonth(Variant(at(2001, 2, 15, 10, 30))), at(2001, 2, 28, 10, 30));
    EXPECT_EQ(dates.LastDayOfMonth(Variant(at(2000, 2, 1))), at(2000, 2, 29));
    EXPECT_EQ(dates.LastDayOfMonth(Variant(at(1999, 12, 5))), at(1999, 12, 31));
    EXPECT_EQ(dates.FirstDayOfMonth(Variant(at(2001, 2, 15, 10, 30))), at(2001, 2, 1, 10, 30));
    EXPECT_EQ(dates.FirstDayOfMonth(Variant(at(2001, 3, 1))), at(2001, 3, 1));
}

TEST(DateHelper, DateArgumentsMayBeTextOrSerialNumbers)
{
    EXPECT_EQ(dates.LastDayOfMonth(Variant(QStringLiteral("2/15/2001"))), at(2001, 2, 28));
    EXPECT_EQ(dates.FirstDayOfMonth(Variant(QStringLiteral("15 February 2001"))), at(2001, 2, 1));
    EXPECT_EQ(dates.FirstDayOfMonth(Variant(36937)), at(2001, 2, 1));        // 15 February 2001
    EXPECT_EQ(dates.LastDayOfMonth(Variant(36937.75)), at(2001, 2, 28, 18, 0));
    EXPECT_EQ(dates.FirstDayOfMonth(Variant()), at(1899, 12, 1));            // Empty is day 0

    const BasicError noDate = raisedError([] { dates.FirstDayOfMonth(Variant(QStringLiteral("no date"))); });
    EXPECT_EQ(noDate.number(), err::InvalidCall);
    EXPECT_EQ(noDate.description(), QStringLiteral("Invalid date parameter sent to FirstDayOfMonth function."));
    EXPECT_EQ(raisedError([] { dates.LastDayOfMonth(Variant::null()); }).description(),
              QStringLiteral("Invalid date parameter sent to LastDayOfMonth function."));
    EXPECT_EQ(raisedError([] { dates.LastDayOfMonth(Variant(1e12)); }).number(), err::Overflow);
}

TEST(DateHelper, MonthNumberAsTextCountsMonthBoundaries)
{
    EXPECT_EQ(dates.MonthNumberAsText(at(2001, 1, 1), at(2001, 1, 31)), QStringLiteral("01"));
    EXPECT_EQ(dates.MonthNumberAsText(at(2001, 1, 31), at(2001, 12, 1)), QStringLiteral("12"));
    EXPECT_EQ(dates.MonthNumberAsText(at(2001, 12, 31), at(2002, 1, 1)), QStringLiteral("02"));
    EXPECT_EQ(dates.MonthNumberAsText(at(2001, 1, 1), at(2010, 1, 1)), QStringLiteral("109"));
    EXPECT_EQ(dates.MonthNumberAsText(at(2001, 2, 1), at(2001, 1, 31)), QStringLiteral("00"));
    EXPECT_EQ(dates.MonthNumberAsText(at(2001, 6, 1), at(2001, 1, 1)), QStringLiteral("-04"));
}

TEST(DateHelper, FullDateTimeAddsTheTimeOfDay)
{
    const double serial = dates.FullDateTime(QStringLiteral("2001-02-15"));
    EXPECT_GE(serial, 36937.0);
    EXPECT_LT(serial, 36938.0);
    EXPECT_EQ(dates.FullDateTime(QStringLiteral("not a date")), 0.0);
    EXPECT_EQ(dates.FullDateTime(QString()), 0.0);
}
