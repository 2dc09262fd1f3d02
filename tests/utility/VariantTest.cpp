#include "utility/BasicError.h"
#include "RaisedError.h"
#include "utility/Variant.h"

#include "Printing.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using namespace pembry;

namespace {
using testsupport::raisedNumber;

QDateTime at(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}
}  // namespace

TEST(Variant, EmptyAndNullAreDifferent)
{
    EXPECT_TRUE(Variant().isEmpty());
    EXPECT_FALSE(Variant().isNull());
    EXPECT_TRUE(Variant::null().isNull());
    EXPECT_NE(Variant(), Variant::null());
    EXPECT_EQ(Variant::null(), Variant::null());
    EXPECT_EQ(Variant().toString(), QString());
    EXPECT_EQ(Variant().toDouble(), 0.0);
    EXPECT_EQ(raisedNumber([] { Variant::null().toString(); }), 94);
    EXPECT_EQ(raisedNumber([] { Variant::null().toDouble(); }), 94);
    EXPECT_EQ(testsupport::expectedError([] { Variant::null().toDateTime(); }).description(),
              QStringLiteral("Invalid use of Null"));
}

TEST(Variant, NumbersFromText)
{
    EXPECT_TRUE(Variant(QStringLiteral(" 12 ")).isNumeric());
    EXPECT_EQ(Variant(QStringLiteral(" 12.5 ")).toDouble(), 12.5);
    EXPECT_FALSE(Variant(QStringLiteral("nan")).isNumeric());
    EXPECT_FALSE(Variant(QStringLiteral("inf")).isNumeric());
    EXPECT_FALSE(Variant(QString()).isNumeric());
    EXPECT_FALSE(Variant(QStringLiteral("12abc")).isNumeric());
    EXPECT_EQ(raisedNumber([] { Variant(QStringLiteral("abc")).toDouble(); }), err::TypeMismatch);
    EXPECT_EQ(Variant(true).toDouble(), -1.0);
}

TEST(Variant, ConversionsToText)
{
    EXPECT_EQ(Variant(0.1).toString(), QStringLiteral("0.1"));
    EXPECT_EQ(Variant(-0.0).toString(), QStringLiteral("0"));
    EXPECT_EQ(Variant(3.0).toString(), QStringLiteral("3"));
    EXPECT_EQ(Variant(1e20).toString(), QStringLiteral("1E+20"));
    EXPECT_EQ(Variant(1.5e-5).toString(), QStringLiteral("1.5E-05"));
    EXPECT_EQ(Variant(qint64(-42)).toString(), QStringLiteral("-42"));
    EXPECT_EQ(Variant(true).toString(), QStringLiteral("True"));
    EXPECT_EQ(Variant("Grüße").toString(), QStringLiteral("Grüße"));
    EXPECT_EQ(raisedNumber([] { Variant(Variant::Array{}).toString(); }), err::TypeMismatch);
}

TEST(Variant, WholeNumbersRoundHalfToEven)
{
    EXPECT_EQ(Variant(2.5).toInteger(), 2);
    EXPECT_EQ(Variant(3.5).toInteger(), 4);
    EXPECT_EQ(Variant(-2.5).toInteger(), -2);
    EXPECT_EQ(Variant(QStringLiteral("7.5")).toInteger(), 8);
    EXPECT_EQ(raisedNumber([] { Variant(1e300).toInteger(); }), err::Overflow);
    EXPECT_EQ(raisedNumber([] { Variant(std::nan("")).toInteger(); }), err::Overflow);
}

TEST(Variant, Booleans)
{
    EXPECT_TRUE(Variant(QStringLiteral(" true ")).toBool());
    EXPECT_FALSE(Variant(QStringLiteral("False")).toBool());
    EXPECT_TRUE(Variant(QStringLiteral("-1")).toBool());
    EXPECT_FALSE(Variant().toBool());
    EXPECT_EQ(raisedNumber([] { Variant(QStringLiteral("yes")).toBool(); }), err::TypeMismatch);
}

TEST(Variant, SerialDates)
{
    EXPECT_EQ(Variant(at(1899, 12, 30)).toDouble(), 0.0);
    EXPECT_EQ(Variant(at(2001, 2, 15)).toDouble(), 36937.0);
    EXPECT_EQ(Variant(at(2001, 2, 15, 18)).toDouble(), 36937.75);
    EXPECT_EQ(Variant(at(1899, 12, 29, 6)).toDouble(), -1.25);
    EXPECT_EQ(Variant(-1.25).toDateTime(), at(1899, 12, 29, 6));
    EXPECT_EQ(Variant(36937.75).toDateTime(), at(2001, 2, 15, 18));
    EXPECT_EQ(Variant(-0.5).toDateTime(), at(1899, 12, 30, 12));
    EXPECT_EQ(Variant(true).toDateTime(), at(1899, 12, 29));
    // A fraction that rounds up to midnight is the next day, not the same day.
    EXPECT_EQ(Variant(0.9999999999).toDateTime(), at(1899, 12, 31));
    EXPECT_EQ(Variant(2958465.5).toDateTime(), at(9999, 12, 31, 12));
    EXPECT_EQ(raisedNumber([] { Variant(2958466.0).toDateTime(); }), err::Overflow);
    EXPECT_EQ(raisedNumber([] { Variant(-1e300).toDateTime(); }), err::Overflow);
    EXPECT_EQ(raisedNumber([] { Variant(std::numeric_limits<double>::quiet_NaN()).toDateTime(); }), err::Overflow);
}

TEST(Variant, DateTexts)
{
    const auto date = [](const char *text) { return Variant(text).toDateTime(); };
    EXPECT_EQ(date("2001-02-15"), at(2001, 2, 15));
    EXPECT_EQ(date("2001-02-15T10:30:00"), at(2001, 2, 15, 10, 30));
    EXPECT_EQ(date("2/15/2001"), at(2001, 2, 15));
    EXPECT_EQ(date("2/15/2001 22:05:09"), at(2001, 2, 15, 22, 5, 9));
    EXPECT_EQ(date("2/15/29"), at(2029, 2, 15));
    EXPECT_EQ(date("2/15/30"), at(1930, 2, 15));
    EXPECT_EQ(date("15 February 2001"), at(2001, 2, 15));
    EXPECT_EQ(date("Feb 15, 2001 10:30 PM"), at(2001, 2, 15, 22, 30));
    EXPECT_EQ(date("10:30"), at(1899, 12, 30, 10, 30));
    EXPECT_EQ(date("36937"), at(2001, 2, 15));   // a number text is a serial date
    EXPECT_TRUE(Variant("2/15/2001").isDate());
    EXPECT_TRUE(Variant(at(2001, 2, 15)).isDate());
    EXPECT_FALSE(Variant("2/30/2001").isDate());
    EXPECT_FALSE(Variant(36937).isDate());
    EXPECT_FALSE(Variant::null().isDate());
    EXPECT_EQ(raisedNumber([] { Variant("2/30/2001").toDateTime(); }), err::TypeMismatch);
    // A date written as text reads back as the same date.
    const Variant written(at(1999, 12, 31, 23, 59, 58));
    EXPECT_EQ(Variant(written.toString()).toDateTime(), at(1999, 12, 31, 23, 59, 58));
}

TEST(Variant, Arrays)
{
    Variant array(Variant::Array{Variant(1), Variant("a")});
    EXPECT_TRUE(array.isArray());
    array.array().append(Variant::null());
    EXPECT_EQ(array.toArray().size(), 3);
    EXPECT_EQ(array, Variant(Variant::Array{Variant(1), Variant("a"), Variant::null()}));
    EXPECT_NE(array, Variant(Variant::Array{Variant(1), Variant("a"), Variant()}));
    EXPECT_EQ(raisedNumber([] { Variant(5).toArray(); }), err::TypeMismatch);
    Variant text("x");
    EXPECT_EQ(raisedNumber([&] { text.array(); }), err::TypeMismatch);
}
