// The parts of tabulo-cli on their own: the options' defaults, choosing the
// requested tables among the listed ones.

#include "CliRun.h"
#include "RaisedError.h"
#include "cli/CliOptions.h"
#include "cli/TableChoice.h"
#include "utility/BasicError.h"

using tabulo::cli::TableChoice;

namespace {

using testsupport::raisedNumber;

}  // namespace

TEST(TableChoice, ChoosesInListOrderEachTableOnce)
{
    const TableChoice choice({"Customers", "Order Details", "Orders", "Shippers"});
    EXPECT_EQ(choice.choose({}, "shop.mdb"), QStringList({"Customers", "Order Details", "Orders", "Shippers"}));
    EXPECT_EQ(choice.choose({"Shippers", "orders", "CUSTOMERS", "Orders"}, "shop.mdb"),
              QStringList({"Customers", "Orders", "Shippers"}));
    try {
        choice.choose({"Orders", "Invoices"}, "shop.mdb");
        ADD_FAILURE() << "an unknown table was chosen";
    } catch (const pembry::BasicError &e) {
        EXPECT_EQ(e.number(), 3265);
        EXPECT_EQ(e.description(), "The table \"Invoices\" is not among the tables of \"shop.mdb\" "
                                   "(tabulo-cli --list-tables lists them).");
    }
}

TEST(TableChoice, LetterCaseMayDifferOnlyWhenThatLeavesNoDoubt)
{
    const TableChoice choice({"ORDERS", "Orders", "\u00c4pfel"});
    EXPECT_EQ(choice.choose({"Orders"}, "x"), QStringList({"Orders"}));
    EXPECT_EQ(choice.choose({"ORDERS"}, "x"), QStringList({"ORDERS"}));
    EXPECT_EQ(raisedNumber([&] { choice.choose({"orders"}, "x"); }), 3265);
    EXPECT_EQ(choice.choose({"\u00e4PFEL"}, "x"), QStringList({"\u00c4pfel"}));
}

TEST(TableChoice, ANameAsTheListingShowsItChoosesThatTable)
{
    const TableChoice choice({"Two\nLines", "Tab\there", "Tab\\x09here"});
    EXPECT_EQ(choice.choose({"Two\\x0aLines"}, "x"), QStringList({"Two\nLines"}));
    EXPECT_EQ(choice.choose({"two\\x0alines"}, "x"), QStringList({"Two\nLines"}));
    // A table whose own name is another's shown form is that table.
    EXPECT_EQ(choice.choose({"Tab\\x09here"}, "x"), QStringList({"Tab\\x09here"}));
    EXPECT_EQ(choice.choose({"Tab\there"}, "x"), QStringList({"Tab\there"}));
}

TEST(CliOptions, DefaultsAreTheWindowsInitialValuesWithARunTimePath)
{
    tabulo::cli::CliOptions options;
    char program[] = "tabulo-cli";
    char source[] = "source.mdb";
    char *argv[] = {program, source};
    ASSERT_FALSE(tabulo::cli::parseCommandLine(2, argv, options));
    const tabulo::GeneratorSettings &window = tabulo::GeneratorSettings::windowInitial();
    const tabulo::GeneratorSettings &parsed = options.settings;
    EXPECT_EQ(parsed.pathNameDBNew, "Variable");
    EXPECT_EQ(parsed.varNameNewTable, "tdfNew");
    for (const auto member : {&tabulo::GeneratorSettings::varNameNewDB, &tabulo::GeneratorSettings::varNameNewTable,
                              &tabulo::GeneratorSettings::varNameNewField, &tabulo::GeneratorSettings::varNameNewIndex,
                              &tabulo::GeneratorSettings::varNameNewRelation, &tabulo::GeneratorSettings::varNameNewQuery,
                              &tabulo::GeneratorSettings::procPrefix,
                              &tabulo::GeneratorSettings::locale, &tabulo::GeneratorSettings::pathNameCodeFile})
        EXPECT_EQ(parsed.*member, window.*member);
    EXPECT_EQ(parsed.tabStop, window.tabStop);
    EXPECT_EQ(parsed.encrypt, 0);
    EXPECT_EQ(parsed.newDBSecurity, 0);
    EXPECT_TRUE(parsed.includeRelations);
    EXPECT_TRUE(parsed.includeDatabaseWrapper);
    EXPECT_FALSE(parsed.includeDesignProperties);
    EXPECT_FALSE(parsed.includeQueries);
    EXPECT_EQ(parsed.varNameNewQuery, "qdfNew");
    EXPECT_FALSE(parsed.writeVB5Header);
    EXPECT_FALSE(parsed.runNotepad);
    EXPECT_TRUE(options.versionFromSource);
}

TEST(CliOptions, OptionsReachTheSettings)
{
    tabulo::cli::CliOptions options;
    std::vector<std::string> args = {"tabulo-cli", "s.mdb", "--location", "CURRENT", "--db-version", "64",
                                     "--encrypt", "--security", "runtime", "--tab-stop", "0", "--no-relations",
                                     "--no-wrapper", "-o", "out.bas", "--vb-header", "--locale", "dbLangThai",
                                     "--table-var", "t", "--design-properties", "--queries", "--query-var", "q"};
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    ASSERT_FALSE(tabulo::cli::parseCommandLine(int(argv.size()), argv.data(), options));
    const tabulo::GeneratorSettings &s = options.settings;
    EXPECT_EQ(s.pathNameDBNew, "Current");
    EXPECT_FALSE(options.versionFromSource);
    EXPECT_EQ(s.version, 64);
    EXPECT_EQ(s.encrypt, 2);
    EXPECT_EQ(s.newDBSecurity, 1);
    EXPECT_EQ(s.tabStop, 0);
    EXPECT_FALSE(s.includeRelations);
    EXPECT_FALSE(s.includeDatabaseWrapper);
    EXPECT_EQ(s.pathNameCodeFile, "out.bas");
    EXPECT_TRUE(s.writeVB5Header);
    EXPECT_EQ(s.locale, "dbLangThai");
    EXPECT_EQ(s.varNameNewTable, "t");
    EXPECT_TRUE(s.includeDesignProperties);
    EXPECT_TRUE(s.includeQueries);
    EXPECT_EQ(s.varNameNewQuery, "q");
}
