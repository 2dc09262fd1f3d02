#include "utility/BasicError.h"

#include "Printing.h"

#include <gtest/gtest.h>

using namespace pembry;

TEST(BasicError, RaiseUsesTheStandardTextWhenNoneIsGiven)
{
    try {
        raiseError(err::InvalidCall, QStringLiteral("Pembry31.TextHelper"));
        FAIL() << "raiseError returned";
    } catch (const BasicError &e) {
        EXPECT_EQ(e.number(), 5);
        EXPECT_EQ(e.source(), QStringLiteral("Pembry31.TextHelper"));
        EXPECT_EQ(e.description(), QStringLiteral("Invalid procedure call or argument"));
        EXPECT_STREQ(e.what(), "error 5: Invalid procedure call or argument");
    }
    try {
        raiseError(3029, QStringLiteral("DAO.Workspace"), QStringLiteral("Not a valid account name or password."));
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "error 3029: Not a valid account name or password.");
    }
}

TEST(BasicError, RaisingAgainChangesOnlyTheSource)
{
    const BasicError original(53, QStringLiteral("inner"), QStringLiteral("Datei fehlt: Größe.mdb"),
                              QStringLiteral("help.hlp"), 42);
    const BasicError again = original.withSource(QStringLiteral("clsWriteNewDatabase:DBSource"));
    EXPECT_EQ(again.number(), 53);
    EXPECT_EQ(again.source(), QStringLiteral("clsWriteNewDatabase:DBSource"));
    EXPECT_EQ(again.description(), original.description());
    EXPECT_EQ(again.helpFile(), QStringLiteral("help.hlp"));
    EXPECT_EQ(again.helpContext(), 42);
    EXPECT_STREQ(again.what(), original.what());
    EXPECT_EQ(QString::fromUtf8(again.what()), QStringLiteral("error 53: Datei fehlt: Größe.mdb"));
}

TEST(BasicError, StandardTexts)
{
    EXPECT_EQ(standardErrorText(6), QStringLiteral("Overflow"));
    EXPECT_EQ(standardErrorText(94), QStringLiteral("Invalid use of Null"));
    EXPECT_EQ(standardErrorText(457),
              QStringLiteral("This key is already associated with an element of this collection"));
    EXPECT_EQ(standardErrorText(12345), QStringLiteral("Application-defined or object-defined error"));
}
