#include "utility/VBObjectHelper.h"

#include <QCoreApplication>

#include "Printing.h"

#include <gtest/gtest.h>

using namespace pembry;

TEST(VBObjectHelper, RowsReturned)
{
    const VBObjectHelper helper;
    EXPECT_EQ(helper.fnRowsReturned(0), QStringLiteral("No Rows Returned"));
    EXPECT_EQ(helper.fnRowsReturned(1), QStringLiteral("1 Row Returned"));
    EXPECT_EQ(helper.fnRowsReturned(25), QStringLiteral("25 Rows Returned"));
    EXPECT_EQ(helper.fnRowsReturned(-2), QStringLiteral("-2 Rows Returned"));
    EXPECT_EQ(helper.fnRowsReturned(1234567), QStringLiteral("1234567 Rows Returned"));
}

TEST(VBObjectHelper, HourGlassWithoutApplicationDoesNothing)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    const VBObjectHelper helper;
    helper.MouseHourGlass(true);
    helper.MouseHourGlass(false);
}
