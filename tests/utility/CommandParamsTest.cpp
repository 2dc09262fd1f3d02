#include "utility/BasicError.h"
#include "RaisedError.h"
#include "utility/CommandParams.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

using namespace pembry;

namespace {

using testsupport::raisedError;

CommandParams parsed(const QString &line)
{
    CommandParams params;
    params.setCommandLine(line);
    params.ParseCommandLine();
    return params;
}

// What the helper program prints for these arguments, run without a
// QCoreApplication.
QStringList helperOutput(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LIBRARY_HELPER_MODE"), QStringLiteral("cmdline"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(LIBRARY_HELPER), arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (out.endsWith(u'\n'))
        out.chop(1);
    return out.split(u'\n');
}

}  // namespace

TEST(CommandParams, SplitsNamedParametersInTheirOrder)
{
    CommandParams params = parsed(QStringLiteral("  /in data.txt /out result.txt /quiet  "));
    EXPECT_EQ(params.CommandLine(), "/in data.txt /out result.txt /quiet");
    ASSERT_EQ(params.Count(), 3);
    EXPECT_EQ(params.Item(1).ParamName(), "in");
    EXPECT_EQ(params.Item(1).ParamValue(), "data.txt");
    EXPECT_EQ(params.Item(QStringLiteral("OUT")).ParamValue(), "result.txt");
    EXPECT_EQ(params.Item(3).ParamName(), "quiet");
    EXPECT_EQ(params.Item(3).ParamValue(), "");
    EXPECT_EQ(params.GetCommandLineItem(QStringLiteral("In")).toString(), "data.txt");
    EXPECT_TRUE(params.FindCommandLineItem(QStringLiteral("QUIET")));
    EXPECT_FALSE(params.FindCommandLineItem(QStringLiteral("loud")));

    QStringList names;
    for (const clsCommandParam &p : params)
        names << p.ParamName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("in"), QStringLiteral("out"), QStringLiteral("quiet")}));

    params.Item(QStringLiteral("in")).setParamValue(QStringLiteral("other.txt"));
    EXPECT_EQ(params.GetCommandLineItem(QStringLiteral("in")).toString(), "other.txt");
}

TEST(CommandParams, ValuesMayHoldBlanksButNoSlash)
{
    EXPECT_EQ(parsed(QStringLiteral("/title \"Monthly report\"")).GetCommandLineItem(QStringLiteral("title")).toString(),
              "Monthly report");
    CommandParams params = parsed(QStringLiteral("/a  one  two /b x/y"));
    EXPECT_EQ(params.GetCommandLineItem(QStringLiteral("a")).toString(), "one  two");
    EXPECT_EQ(params.GetCommandLineItem(QStringLiteral("b")).toString(), "x");
    EXPECT_TRUE(params.FindCommandLineItem(QStringLiteral("y")));
}

TEST(CommandParams, SlashFollowedByABlankIsSkippedAndANameEndsAtTheBlank)
{
    CommandParams params = parsed(QStringLiteral("/ stray /flag"));
    ASSERT_EQ(params.Count(), 1);
    EXPECT_EQ(params.Item(1).ParamName(), "flag");

    params = parsed(QStringLiteral("-x"));
    EXPECT_EQ(params.CommandLine(), "/-x");
    EXPECT_TRUE(params.FindCommandLineItem(QStringLiteral("-x")));

    params = parsed(QStringLiteral("/last/"));   // a name closed by the final slash
    ASSERT_EQ(params.Count(), 1);
    EXPECT_EQ(params.Item(1).ParamName(), "last");
}

TEST(CommandParams, MissingNamesAndPositions)
{
    CommandParams params = parsed(QStringLiteral("/a 1"));
    EXPECT_TRUE(params.GetCommandLineItem(QStringLiteral("b")).isEmpty());   // Empty, not ""
    EXPECT_EQ(raisedError([&] { params.Item(QStringLiteral("b")); }).number(), 5);
    EXPECT_EQ(raisedError([&] { params.Item(0); }).number(), 9);
    EXPECT_EQ(raisedError([&] { params.Item(2); }).number(), 9);
    EXPECT_EQ(raisedError([&] { params.Item(Variant()); }).number(), 5);
}

TEST(CommandParams, ARepeatedNameRaises457AfterTheEarlierParameters)
{
    CommandParams params;
    params.setCommandLine(QStringLiteral("/a 1 /b 2 /A 3 /c 4"));
    EXPECT_EQ(raisedError([&] { params.ParseCommandLine(); }).number(), err::DuplicateKey);
    EXPECT_EQ(params.Count(), 2);

    // Parsing again adds again and stops at the first name already there.
    CommandParams twice = parsed(QStringLiteral("/x 1"));
    EXPECT_EQ(raisedError([&] { twice.ParseCommandLine(); }).number(), err::DuplicateKey);
    EXPECT_EQ(twice.Count(), 1);
}

TEST(CommandParams, TheProcessArgumentsComeFromTheApplication)
{
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    CommandParams params;
    const QString expected = arguments.join(u' ');
    EXPECT_EQ(CommandParams::processArguments(), expected);
    if (!expected.isEmpty()) {
        EXPECT_EQ(params.CommandLine(), expected.startsWith(u'/') ? expected : u'/' + expected);
    }
}

TEST(CommandParams, WithoutAnApplicationTheArgumentsComeFromTheProcess)
{
    EXPECT_EQ(helperOutput({QStringLiteral("/in"), QStringLiteral("my file.txt"), QStringLiteral("/v")}),
              (QStringList{QStringLiteral("/in \"my file.txt\" /v"), QStringLiteral("in=my file.txt"),
                           QStringLiteral("v=")}));
    EXPECT_EQ(helperOutput({QStringLiteral("-x")}), (QStringList{QStringLiteral("/-x"), QStringLiteral("-x=")}));
    // No arguments: an empty command line and no parameters.
    EXPECT_EQ(helperOutput({}), QStringList{QString()});
}
