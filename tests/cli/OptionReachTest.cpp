// Every option of tabulo-cli that shapes the module reaches the generator:
// for each, a run whose code file differs from the run without it. The
// options are read from the parser, so that a new option fails here until it
// is given a run below or listed as exempt.

#include "CliRun.h"
#include "TestPaths.h"
#include "cli/CliOptions.h"

#include <QTemporaryDir>

#include <map>
#include <utility>

namespace {

// The options that do not shape the module's text, and why.
const std::map<std::string, const char *> kExempt = {
    {"--help", "prints the help and exits"},
    {"--version", "prints the version and exits"},
    {"SOURCE", "the database read: the same in every run"},
    {"--mdw", "opens the source, whose design is the same"},
    {"--user", "opens the source, whose design is the same"},
    {"--password", "opens the source, whose design is the same"},
    {"--password-file", "opens the source, whose design is the same"},
    {"--db-password", "opens the source, whose design is the same"},
    {"--db-password-file", "opens the source, whose design is the same"},
    {"--list-tables", "lists the tables instead of writing a module"},
    {"--output", "where the module goes: every run here writes a code file"},
    {"--open", "opens the code file once it is written"},
};

// A run with the option, and the run it is compared with (none: the run
// with every default).
struct Variation {
    Variation(QStringList with, QStringList without = {}) : with(std::move(with)), without(std::move(without)) {}
    QStringList with;
    QStringList without;
};

const QStringList kHardcoded = {"--security", "hardcoded", "--new-mdw", "a.mdw", "--new-user", "u"};

std::map<std::string, Variation> variations(const QString &passwordFile)
{
    const QStringList login = {"--security", "hardcoded", "--new-user", "u"};
    return {
        {"--tables", {{"--tables", "Customers"}}},
        {"--location", {{"--location", "current"}}},
        {"--db-version", {{"--db-version", "16"}}},
        {"--locale", {{"--locale", "dbLangGreek"}}},
        {"--encrypt", {{"--encrypt"}}},
        {"--security", {{"--security", "runtime"}}},
        {"--new-mdw", {login + QStringList{"--new-mdw", "b.mdw"}, login + QStringList{"--new-mdw", "a.mdw"}}},
        {"--new-user", {kHardcoded.mid(0, 4) + QStringList{"--new-user", "v"}, kHardcoded}},
        {"--new-password", {kHardcoded + QStringList{"--new-password", "pw"}, kHardcoded}},
        {"--new-password-file", {kHardcoded + QStringList{"--new-password-file", passwordFile}, kHardcoded}},
        {"--new-db-password", {kHardcoded + QStringList{"--new-db-password", "pw"}, kHardcoded}},
        {"--new-db-password-file", {kHardcoded + QStringList{"--new-db-password-file", passwordFile}, kHardcoded}},
        {"--db-var", {{"--db-var", "dbX"}}},
        {"--table-var", {{"--table-var", "tX"}}},
        {"--field-var", {{"--field-var", "fX"}}},
        {"--index-var", {{"--index-var", "iX"}}},
        {"--relation-var", {{"--relation-var", "rX"}}},
        {"--proc-prefix", {{"--proc-prefix", "mk_"}}},
        {"--tab-stop", {{"--tab-stop", "7"}}},
        {"--no-relations", {{"--no-relations"}}},
        {"--no-wrapper", {{"--no-wrapper"}}},
        {"--design-properties", {{"--design-properties"}}},
        {"--queries", {{"--queries"}}},
        {"--query-var", {{"--queries", "--query-var", "qX"}, {"--queries"}}},
        {"--vb-header", {{"--vb-header"}}},
        {"--sql", {{"--sql", "postgresql"}}},
        {"--lowercase-names", {{"--sql", "postgresql", "--lowercase-names"}, {"--sql", "postgresql"}}},
    };
}

}  // namespace

TEST(CliOptions, EveryOptionThatShapesTheModuleReachesTheGenerator)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString passwordFile = dir.filePath("password.txt");
    clitest::writeFile(passwordFile, "pw\n");
    const std::map<std::string, Variation> runs = variations(passwordFile);

    const QString codeFile = dir.filePath("module.bas");
    const auto module = [&](const QStringList &arguments) {
        QFile::remove(codeFile);
        const clitest::CliResult result =
            clitest::runCli(QStringList{testDataPath("northwind.mdb"), "-o", codeFile} + arguments);
        EXPECT_EQ(result.exitCode, 0) << arguments.join(' ').toStdString() << ": " << result.err.toStdString();
        return clitest::readFile(codeFile);
    };
    const QByteArray plain = module({});
    ASSERT_FALSE(plain.isEmpty());

    for (const std::string &option : tabulo::cli::commandLineOptions()) {
        if (kExempt.count(option) > 0)
            continue;
        const auto run = runs.find(option);
        if (run == runs.end()) {
            ADD_FAILURE() << option << " has no run here: give it one that changes the module, or list it as "
                                       "exempt with the reason";
            continue;
        }
        const Variation &variation = run->second;
        ASSERT_TRUE(variation.with.contains(QString::fromStdString(option))) << option;
        const QByteArray without = variation.without.isEmpty() ? plain : module(variation.without);
        EXPECT_NE(module(variation.with), without) << option << " does not reach the module";
    }
    // Every entry above names an option the parser knows.
    const std::vector<std::string> known = tabulo::cli::commandLineOptions();
    for (const auto &entry : runs)
        EXPECT_NE(std::find(known.begin(), known.end(), entry.first), known.end()) << entry.first;
    for (const auto &entry : kExempt)
        EXPECT_NE(std::find(known.begin(), known.end(), entry.first), known.end()) << entry.first;
}

// An option of the module alone means nothing for a script: the run stops
// with a usage error naming it, before the source is read.
TEST(CliOptions, AScriptRefusesTheOptionsOfTheModule)
{
    for (const QStringList &options : {QStringList{"--tab-stop", "4"}, QStringList{"--vb-header", "-o", "x.sql"},
                                       QStringList{"--location", "current"}, QStringList{"--design-properties"},
                                       QStringList{"--queries"}, QStringList{"--query-var", "qX"}}) {
        const clitest::CliResult result = clitest::runCli(QStringList{"no-such.mdb", "--sql", "sqlite"} + options);
        EXPECT_EQ(result.exitCode, 2) << options.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(options[0]) && result.err.contains("SQL script")) << result.err.toStdString();
    }
    EXPECT_EQ(clitest::runCli({"no-such.mdb", "--lowercase-names"}).exitCode, 2);
    EXPECT_EQ(clitest::runCli({"no-such.mdb", "--sql", "oracle"}).exitCode, 2);
}

// The help names every kind of source and says each range once, in words.
TEST(CliOptions, TheHelpNamesEverySourceKind)
{
    const clitest::CliResult help = clitest::runCli({"--help"});
    const QString text = QString::fromLocal8Bit(help.out);
    EXPECT_EQ(help.exitCode, 0);
    for (const char *kind : {".mdb", ".accdb", ".json", "SQLite", "PostgreSQL", "MariaDB"})
        EXPECT_TRUE(text.contains(kind)) << kind;
    EXPECT_FALSE(text.contains("INT in [")) << text.toStdString();
    EXPECT_FALSE(text.contains("(Jet) database")) << text.toStdString();
}
