// tabulo-cli on the real sample files: options and their defaults, the
// module on standard output or in a code file, and the errors a script sees.

#include "CliRun.h"
#include "TerminalRun.h"
#include "TestPaths.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace clitest;

namespace {

QString northwind()
{
    return testDataPath(QStringLiteral("northwind.mdb"));
}

}  // namespace

TEST(Cli, HelpListsEveryOptionAndVersionAnswers)
{
    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *option :
         {"--mdw", "--user", "--password", "--db-password", "--tables", "--list-tables", "--location",
          "--db-version", "--locale", "--encrypt", "--security", "--new-mdw", "--new-user", "--new-password",
          "--new-db-password", "--password-file", "--db-password-file", "--new-password-file",
          "--new-db-password-file", "--db-var", "--table-var", "--field-var", "--index-var", "--relation-var",
          "--proc-prefix", "--tab-stop", "--no-relations", "--no-wrapper", "--design-properties", "--queries", "--query-var", "--vb-header", "--output", "--open",
          "--version"})
        EXPECT_TRUE(help.out.contains(option)) << option;

    const CliResult version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("tabulo-cli ")) << version.out.constData();
}

TEST(Cli, UsageErrorsExitWithStatus2)
{
    const QList<QStringList> usages = {
        {},
        {northwind(), "--db-version", "7"},
        {northwind(), "--security", "hardcoded", "--new-user", "admin"},
        {northwind(), "--security", "secret"},
        {northwind(), "--vb-header"},
        {northwind(), "--open"},
        {northwind(), "--tab-stop", "-1"},
        {northwind(), "--locale", "dbLangKlingon"},
        {northwind(), "--no-such-option"},
        {northwind(), "--location", ""},
        {northwind(), "--tables", ""},
    };
    for (const QStringList &arguments : usages) {
        const CliResult result = runCli(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_FALSE(result.err.isEmpty());
    }
}

TEST(Cli, ListTablesPrintsTheUserTablesSorted)
{
    TABULO_NEED_TESTDATA();
    const CliResult result = runCli({northwind(), "--list-tables"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, "Categories\nCustomers\nEmployees\nOrder Details\nOrders\nProducts\nShippers\nSuppliers\n");

    // Letter case does not order the list; digits and "_" sort as characters.
    const CliResult jet3 = runCli({testDataPath("jet3-index.mdb"), "--list-tables"});
    EXPECT_EQ(jet3.out, "Table1\nTable2\nTable3\n");
}

TEST(Cli, TheDefaultRunWritesTheWholeCodeFileToStandardOutput)
{
    TABULO_NEED_TESTDATA();
    const CliResult result = runCli({northwind()});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    const QByteArray &out = result.out;
    EXPECT_TRUE(out.startsWith("Option Explicit\r\n\r\nPublic Sub CreateNewDatabase(strNewDBPath As String)\r\n"));
    // The window's defaults: a Jet 4 source gives a Jet 4 database, "tdfNew".
    EXPECT_TRUE(out.contains("Set dbNew = ws.CreateDatabase(strNewDBPath, dbLangGeneral, dbVersion40)\r\n"));
    EXPECT_TRUE(out.contains("   Dim tdfNew As TableDef\r\n"));
    EXPECT_TRUE(out.contains("Private Sub subCreate_OrderDetails(dbNew As Database)"));
    EXPECT_TRUE(out.contains("Private Sub subCreate_Relations(dbNew As Database)"));
    EXPECT_TRUE(out.indexOf("subCreate_Categories(dbNew As") < out.indexOf("subCreate_Suppliers(dbNew As"));
    EXPECT_FALSE(out.contains('\t'));
    // The module text and a line break: the file ends with a blank line.
    EXPECT_TRUE(out.endsWith("\r\nEnd Sub\r\n\r\n"));

    const CliResult jet3 = runCli({testDataPath("jet3-index.mdb")});
    ASSERT_EQ(jet3.exitCode, 0) << jet3.err.toStdString();
    EXPECT_TRUE(jet3.out.contains(", dbLangGeneral, dbVersion30)\r\n"));
}

TEST(Cli, TablesAreChosenByRepeatedOrCommaListsInListOrder)
{
    TABULO_NEED_TESTDATA();
    const CliResult result = runCli({northwind(), "--tables", "orders, Customers", "--tables", "Order Details",
                                     "--tables", "Orders"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QByteArray &out = result.out;
    const qsizetype customers = out.indexOf("Private Sub subCreate_Customers(");
    const qsizetype details = out.indexOf("Private Sub subCreate_OrderDetails(");
    const qsizetype orders = out.indexOf("Private Sub subCreate_Orders(");
    EXPECT_TRUE(customers > 0 && customers < details && details < orders);
    EXPECT_EQ(out.count("Private Sub subCreate_Orders("), 1);
    EXPECT_FALSE(out.contains("subCreate_Products"));
    // Only the relationships between chosen tables.
    EXPECT_TRUE(out.contains("relNew.Table = \"Customers\""));
    EXPECT_FALSE(out.contains("relNew.Table = \"Products\""));
}

TEST(Cli, AnUnknownTableIsAnErrorNamingIt)
{
    TABULO_NEED_TESTDATA();
    const CliResult result = runCli({northwind(), "--tables", "Invoices"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.startsWith("error 3265: ")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("Invoices"));
}

TEST(Cli, OptionsReachTheGeneratedCode)
{
    TABULO_NEED_TESTDATA();
    const CliResult result = runCli({northwind(), "--tables", "Shippers", "--location", "current", "--security",
                                     "runtime", "--db-var", "db", "--table-var", "tdf", "--field-var", "fld",
                                     "--index-var", "idx", "--proc-prefix", "_make ", "--tab-stop", "2",
                                     "--no-relations"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QByteArray &out = result.out;
    EXPECT_TRUE(out.contains("Public Sub CreateNewDatabase(strMDWPath As String, strUserName As String, "
                             "strPassword As String, Optional strDatabasePwd as String)\r\n"));
    EXPECT_TRUE(out.contains("\r\n  Set db = CurrentDb\r\n"));
    EXPECT_TRUE(out.contains("\r\n  makeShippers\r\n"));
    EXPECT_TRUE(out.contains("Private Sub makeShippers()\r\n"));
    EXPECT_TRUE(out.contains("  Dim tdf As TableDef\r\n"));
    EXPECT_FALSE(out.contains("Relations"));

    const CliResult fixed = runCli({northwind(), "--tables", "Shippers", "--location", "/data/new.mdb",
                                    "--db-version", "32", "--encrypt", "--locale", "dbLangNordic",
                                    "--no-wrapper"});
    ASSERT_EQ(fixed.exitCode, 0) << fixed.err.toStdString();
    EXPECT_FALSE(fixed.out.contains("CreateNewDatabase"));
    EXPECT_TRUE(fixed.out.startsWith("Option Explicit\r\n\r\n\r\nPrivate Sub subCreate_Shippers("));

    const CliResult wrapped = runCli({northwind(), "--tables", "Shippers", "--location", "/data/new.mdb",
                                      "--db-version", "32", "--encrypt", "--locale", "dbLangNordic",
                                      "--security", "hardcoded", "--new-mdw", "/data/new.mdw", "--new-user",
                                      "owner", "--new-password", "pw", "--new-db-password", "dbpw"});
    ASSERT_EQ(wrapped.exitCode, 0) << wrapped.err.toStdString();
    EXPECT_TRUE(wrapped.out.contains(
        "ws.CreateDatabase(\"/data/new.mdb\", dbLangNordic & \";pwd=dbpw\", dbVersion30 Or dbEncrypt)"));
    EXPECT_TRUE(wrapped.out.contains("DBEngine.SystemDB = \"/data/new.mdw\""));
}

TEST(Cli, DesignPropertiesAreWrittenOnlyWhenAsked)
{
    TABULO_NEED_TESTDATA();
    const CliResult plain = runCli({northwind(), "--tables", "Shippers"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_FALSE(plain.out.contains("SetDesignProperty"));

    const CliResult designed = runCli({northwind(), "--tables", "Shippers", "--design-properties"});
    ASSERT_EQ(designed.exitCode, 0) << designed.err.toStdString();
    const QByteArray &out = designed.out;
    EXPECT_TRUE(out.contains("\r\n   SetDesignProperty tdfNew, \"Description\", dbText, \"Shippers' names and phone numbers.\"\r\n"));
    // Each with the type the file stores it with: this caption is a Memo.
    EXPECT_TRUE(out.contains("\r\n   SetDesignProperty tdfNew.Fields(\"ShipperID\"), \"Caption\", dbMemo, \"Shipper ID\"\r\n"));
    EXPECT_TRUE(out.contains("\r\nPrivate Sub SetDesignProperty(objTarget As Object, strName As String, intType As Integer, "
                             "varValue As Variant)\r\n"));
}

// Northwind's 22 saved queries; with only some tables chosen, each query
// over another table is a comment line in the module and a warning.
TEST(Cli, SavedQueriesAreWrittenOnlyWhenAskedAndThoseOverTablesLeftOutAreNamed)
{
    TABULO_NEED_TESTDATA();
    const CliResult plain = runCli({northwind()});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_FALSE(plain.out.contains("QueryDef"));

    const CliResult all = runCli({northwind(), "--queries"});
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(all.out.count("Set qdfNew = dbNew.CreateQueryDef("), 22);
    EXPECT_TRUE(all.out.contains("\r\n   subCreate_Relations dbNew\r\n\r\n   subCreate_Queries dbNew\r\n"));
    // Northwind hides some queries, which only Access can hide, in the
    // database it has open: one warning names them.
    EXPECT_TRUE(all.err.startsWith(u"warning: the queries \"Alphabetical List of Products\", \"Catalog\", ")
                && all.err.endsWith(u"each with a comment.\n") && all.err.count(u'\n') == 1)
        << all.err.toStdString();
    const CliResult current = runCli({northwind(), "--queries", "--location", "current"});
    ASSERT_EQ(current.exitCode, 0) << current.err.toStdString();
    EXPECT_TRUE(current.err.isEmpty()) << current.err.toStdString();
    EXPECT_TRUE(current.out.contains("\r\n   Application.SetHiddenAttribute acQuery, \"Catalog\", True\r\n"));

    const CliResult some = runCli({northwind(), "--queries", "--tables", "Products,Categories"});
    ASSERT_EQ(some.exitCode, 0) << some.err.toStdString();
    const qsizetype written = some.out.count("Set qdfNew = dbNew.CreateQueryDef(");
    EXPECT_GT(written, 0);
    EXPECT_EQ(some.out.count("\r\n   'Left out: query \""), 22 - written);
    const QStringList warnings = some.err.split(u'\n', Qt::SkipEmptyParts).filter(QRegularExpression(QStringLiteral("^warning: query ")));
    EXPECT_EQ(warnings.size(), 22 - written) << some.err.toStdString();
    for (const QString &warning : warnings)
        EXPECT_TRUE(warning.startsWith(u"warning: query \"") && warning.contains(u"; the module leaves ")) << warning.toStdString();
    EXPECT_TRUE(some.err.contains(u"warning: query \"Quarterly Orders\" reads \"Customers\", which is not among the "
                                  u"chosen tables; the module leaves the query out.\n"))
        << some.err.toStdString();
}

TEST(Cli, OutputGoesToTheCodeFileInWindows1252)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    const QString codeFile = dir.filePath("North Wind.bas");
    const CliResult result = runCli({northwind(), "-o", codeFile, "--vb-header"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();   // no terminal: no closing message
    const QByteArray bytes = readFile(codeFile);
    EXPECT_TRUE(bytes.startsWith("Attribute VB_Name = \"basNorthWind\"\r\nOption Explicit\r\n\r\nPublic Sub"));

    // The same content as standard output gets, apart from the header line.
    const CliResult plain = runCli({northwind()});
    EXPECT_EQ(bytes.mid(bytes.indexOf("Option Explicit")), plain.out);
}

TEST(Cli, NonAsciiNamesSurviveInWindows1252)
{
    TABULO_NEED_TESTDATA();
    const CliResult result = runCli({testDataPath("jet4-unicode.mdb")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    for (const char c : result.out)
        EXPECT_NE(c, '\0');
    EXPECT_FALSE(result.out.contains('?')) << "a character was lost";
}

TEST(Cli, SecuredSourcesNeedTheirPasswordsAndAccounts)
{
    TABULO_NEED_TESTDATA();
    const QString locked = testDataPath("jet4-password.mdb");
    CliResult result = runCli({locked});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith("error 3031: ")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(locked));

    result = runCli({locked, "--db-password", "password"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("Private Sub subCreate_Table1("));

    const QString mdw = testDataPath("workgroup.mdw");
    result = runCli({northwind(), "--mdw", mdw, "--user", "Admin", "--tables", "Shippers"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    result = runCli({northwind(), "--mdw", mdw, "--user", "nobody-here"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith("error 3029: ")) << result.err.toStdString();
}

TEST(Cli, AFolderAsTheSourceIsSaidToBeOne)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("adir.mdb");
    ASSERT_TRUE(QDir().mkdir(folder));
    const CliResult result = runCli({folder});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "error 5: The source database \"" + folder + "\" is a folder, not a database file.\n");
    EXPECT_TRUE(result.out.isEmpty());
}

TEST(Cli, AMissingSourceEndsInOneErrorLine)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("no-such-file.mdb");
    const CliResult result = runCli({missing});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith("error 5: ")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(missing));
    EXPECT_EQ(result.err.count('\n'), 1) << result.err.toStdString();
}

// tabulo-cli reads as the ACE build does: an .accdb gives its module in the
// ACE 12.0 format, and a column no DAO type names costs one warning line.
TEST(Cli, AnAceFileGivesItsModuleAndWarnsOfColumnsLeftOut)
{
    TABULO_NEED_TESTDATA();
    const CliResult result = runCli({testDataPath("ace12-unknown-types.accdb")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("dbLangGeneral, dbVersion120)"));
    EXPECT_TRUE(result.out.contains("tdfNew.CreateField(\"UnknownComplex\", dbComplexText, 255)"));
    EXPECT_TRUE(result.out.contains("'Left out: field \"UnknownVar\": its storage type 0x46 has no DAO type"));
    EXPECT_EQ(result.err,
              "warning: table \"Test\", field \"UnknownVar\": its storage type 0x46 has no DAO type; the module "
              "leaves it out.\n"
              "warning: table \"Test\", field \"UnknownFix\": its storage type 0x47 has no DAO type; the module "
              "leaves it out.\n");
}

TEST(Cli, AnUnwritableCodeFileIsAnErrorAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString snapshot = fruitSnapshot(dir.path());
    const QString codeFile = dir.filePath("missing folder/out.bas");
    const CliResult result = runCli({snapshot, "-o", codeFile});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith("error 76: ")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(codeFile));
    EXPECT_FALSE(QFile::exists(codeFile));
}

TEST(Cli, AFullStandardOutputIsAnError)
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full here";
    QTemporaryDir dir;
    const QString snapshot = fruitSnapshot(dir.path());
    for (const QStringList &arguments : {QStringList{snapshot}, QStringList{snapshot, "--list-tables"}}) {
        QProcess process;
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(cliProgram(), arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 1) << arguments.join(' ').toStdString();
        EXPECT_EQ(process.readAllStandardError(), "error 57: Cannot write to standard output.\n");
    }
}

TEST(Cli, AJsonSnapshotIsASource)
{
    QTemporaryDir dir;
    const QString snapshot = dir.filePath("fruit.json");
    writeSnapshot(snapshot, snapshotOf({"Muffin/Bread"}));

    const CliResult result = runCli({snapshot});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("CreateTableDef(\"Muffin/Bread\")"));
    EXPECT_TRUE(result.out.contains(", dbVersion30)"));

    const QString broken = dir.filePath("broken.json");
    writeFile(broken, "{\"tables\": [");
    const CliResult bad = runCli({broken});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.startsWith("error ")) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.contains("broken.json"));
}

TEST(Cli, AnAceSourceGetsTheAceFormatAndVersion128NamesIt)
{
    QTemporaryDir dir;
    const QString snapshot = dir.filePath("ace.json");
    schema::Database ace = snapshotOf({"Fruit"});
    ace.version = "12.0";
    writeSnapshot(snapshot, ace);
    const CliResult fromSource = runCli({snapshot});
    ASSERT_EQ(fromSource.exitCode, 0) << fromSource.err.toStdString();
    EXPECT_TRUE(fromSource.out.contains("ws.CreateDatabase(strNewDBPath, dbLangGeneral, dbVersion120)\r\n"));

    const CliResult chosen = runCli({fruitSnapshot(dir.path()), "--db-version", "128"});
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
    EXPECT_TRUE(chosen.out.contains("ws.CreateDatabase(strNewDBPath, dbLangGeneral, dbVersion120)\r\n"));
}

// A snapshot's whole design, each value in its JSON form, through to the
// module: a table rule, a lookup query with quotes and a line break, a
// property of each type, a descending key, and values that have no Basic
// literal named in comments.
TEST(Cli, ASnapshotsDesignPropertiesReachTheModule)
{
    QTemporaryDir dir;
    const QString snapshot = dir.filePath("design.json");
    writeFile(snapshot, R"({"format": "tabulo-schema", "formatVersion": 2, "version": "4.0",
  "tables": [{"name": "Orders", "validationRule": "[Shipped] >= [Ordered]", "validationText": "Not \"before\"!",
    "properties": [{"name": "Description", "type": 10, "value": "All orders"},
                   {"name": "OrderByOn", "type": 1, "value": true}],
    "fields": [
      {"name": "Customer", "type": 10, "size": 5, "attributes": 2,
       "properties": [{"name": "RowSource", "type": 12, "value": "SELECT [Name]\r\nFROM [C] WHERE [Name] Like \"A*\";"},
                      {"name": "BoundColumn", "type": 2, "value": 1},
                      {"name": "ColumnWidth", "type": 3, "value": -1},
                      {"name": "ListRows", "type": 4, "value": 16},
                      {"name": "Price", "type": 5, "value": "-12.5"},
                      {"name": "Ratio", "type": 6, "value": 0.1},
                      {"name": "Scale", "type": 7, "value": 2.5e-10},
                      {"name": "Since", "type": 8, "value": 35250.5},
                      {"name": "Id", "type": 15, "value": "{6B29FC40-CA47-1067-B31D-00DD010662DA}"},
                      {"name": "Picture", "type": 11, "value": "AP9/gA=="},
                      {"name": "DecimalPlaces", "type": 2, "value": 300},
                      {"name": "Weight", "type": 7, "value": "NaN"}]},
      {"name": "Shipped", "type": 8, "size": 8, "attributes": 1},
      {"name": "Ordered", "type": 8, "size": 8, "attributes": 1}],
    "indexes": [{"name": "Newest", "fields": [{"name": "Shipped", "descending": true}, "Customer"]}]}]})");

    const CliResult result = runCli({snapshot, "--design-properties"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString out = QString::fromLatin1(result.out);
    const QString field = QStringLiteral("   SetDesignProperty tdfNew.Fields(\"Customer\"), ");
    EXPECT_TRUE(out.contains(QStringLiteral(R"(
   tdfNew.ValidationRule = "[Shipped] >= [Ordered]"
   tdfNew.ValidationText = "Not " & mcstrQuote & "before" & mcstrQuote & "!"
   dbNew.TableDefs.Append tdfNew

   SetDesignProperty tdfNew, "Description", dbText, "All orders"
   SetDesignProperty tdfNew, "OrderByOn", dbBoolean, True
)").replace(u'\n', QStringLiteral("\r\n")))) << out.toStdString();
    for (const char *line : {
             R"("RowSource", dbMemo, "SELECT [Name]" & vbCrLf & "FROM [C] WHERE [Name] Like " & mcstrQuote & "A*" & mcstrQuote & ";")",
             R"("BoundColumn", dbByte, 1)", R"("ColumnWidth", dbInteger, -1)", R"("ListRows", dbLong, 16)",
             R"("Price", dbCurrency, -12.5@)", R"("Ratio", dbSingle, 0.1)", R"("Scale", dbDouble, 2.5E-10)",
             R"("Since", dbDate, CDate(35250.5))", R"("Id", dbGUID, "{6B29FC40-CA47-1067-B31D-00DD010662DA}")"})
        EXPECT_TRUE(out.contains(field + QString::fromLatin1(line) + QStringLiteral("\r\n"))) << line;
    for (const char *comment : {
             R"('Left out: property "Picture" of tdfNew.Fields("Customer"): binary data (4 bytes) has no Basic literal)",
             R"('Left out: property "DecimalPlaces" of tdfNew.Fields("Customer"): 300 is out of range for dbByte)",
             R"('Left out: property "Weight" of tdfNew.Fields("Customer"): NaN has no Basic literal)"})
        EXPECT_TRUE(out.contains(QStringLiteral("\r\n   ") + QString::fromLatin1(comment) + QStringLiteral("\r\n"))) << comment;
    EXPECT_TRUE(out.contains(QStringLiteral("         Set fldNew = indxNew.CreateField(\"Shipped\")\r\n"
                                            "         fldNew.Attributes = dbDescending\r\n"
                                            "         indxNew.Fields.Append fldNew\r\n"
                                            "         Set fldNew = indxNew.CreateField(\"Customer\")\r\n"
                                            "         indxNew.Fields.Append fldNew\r\n")));
}

TEST(Cli, ADatabaseWithoutTablesOfItsOwnSaysSo)
{
    QTemporaryDir dir;
    schema::Database onlySystem = snapshotOf({"MSysObjects", "MSysACEs"});
    schema::Table linked = textTable("Linked");
    linked.attributes = 0x40000000;
    onlySystem.tables.append(linked);
    for (const schema::Database &model : {snapshotOf({}), onlySystem}) {
        const QString empty = dir.filePath(QStringLiteral("empty%1.json").arg(model.tables.size()));
        writeSnapshot(empty, model);
        const CliResult result = runCli({empty});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_EQ(result.err, "error 380: \"" + empty + "\" holds no tables to recreate: it has no tables of its "
                              "own (system and linked tables are not recreated).\n");
        // Listing them is no error: the list is empty.
        const CliResult listing = runCli({empty, "--list-tables"});
        EXPECT_EQ(listing.exitCode, 0) << listing.err.toStdString();
        EXPECT_TRUE(listing.out.isEmpty());
    }
}

TEST(Cli, PasswordsComeFromFilesOrStandardInput)
{
    QTemporaryDir dir;
    const QString snapshot = fruitSnapshot(dir.path());
    const QString mdwPassword = dir.filePath("mdw password");
    writeFile(mdwPassword, "s3cret pass\r\nnot this line\n");
    const QStringList hardcoded = {snapshot, "--security", "hardcoded", "--new-mdw", "/data/new.mdw",
                                   "--new-user", "owner"};

    // The first line of a file, its line end dropped; "-" reads standard input.
    CliResult result = runCli(hardcoded + QStringList{"--new-password-file", mdwPassword, "--new-db-password-file", "-"},
                              "from stdin\nnext\n");
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("CreateWorkspace(\"SecureWorkspace\", \"owner\", \"s3cret pass\")")) << result.out.constData();
    EXPECT_TRUE(result.out.contains(";pwd=from stdin\"")) << result.out.constData();
    EXPECT_TRUE(result.err.isEmpty()) << "no prompt without a terminal: " << result.err.toStdString();

    // Two readers of standard input take a line each, in the order of the options.
    result = runCli(hardcoded + QStringList{"--new-db-password-file", "-", "--new-password-file", "-"},
                    "first\nsecond\n");
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("\"owner\", \"first\")")) << result.out.constData();
    EXPECT_TRUE(result.out.contains(";pwd=second\"")) << result.out.constData();

    // A file that cannot be read, or both forms of one password: usage errors.
    const QString missing = dir.filePath("no such file");
    result = runCli(hardcoded + QStringList{"--new-password-file", missing});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.startsWith("tabulo-cli: --new-password-file: cannot read \"" + missing + "\""))
        << result.err.toStdString();
    result = runCli({snapshot, "--db-password", "x", "--db-password-file", mdwPassword});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
}

TEST(Cli, APasswordFromTheTerminalIsTypedWithoutEcho)
{
    QTemporaryDir dir;
    const QString snapshot = fruitSnapshot(dir.path());
    const QString codeFile = dir.filePath("out.bas");
    const TerminalRun run = runCliOnTerminal({snapshot, "-o", codeFile, "--security", "hardcoded", "--new-mdw",
                                              "/data/new.mdw", "--new-user", "owner", "--new-db-password-file", "-"},
                                             dir.path(), "New database password: ", "typed secret\r");
    EXPECT_EQ(run.exitCode, 0) << run.screen.constData();
    EXPECT_TRUE(run.answered) << run.screen.constData();
    EXPECT_TRUE(run.echoOffAtPrompt);
    EXPECT_FALSE(run.screen.contains("typed secret")) << run.screen.constData();
    EXPECT_TRUE(readFile(codeFile).contains(";pwd=typed secret\""));
}

TEST(Cli, TheSourcesDatabasePasswordFromAFile)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    const QString passwordFile = dir.filePath("db.pw");
    writeFile(passwordFile, "password\n");
    const CliResult result = runCli({testDataPath("jet4-password.mdb"), "--db-password-file", passwordFile});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("Private Sub subCreate_Table1("));
}

namespace {
// A one-table JSON snapshot in `dir`, a source that needs no sample files.
QString shopSnapshot(const QTemporaryDir &dir)
{
    const QString path = dir.filePath("shop.json");
    writeSnapshot(path, schemabuild::database({schemabuild::table("Shop", {schemabuild::field("Name", 10, 50)})}));
    return path;
}
}  // namespace

TEST(Cli, SettingsThatCannotGiveAModuleThatCompilesAreRefusedAtStart)
{
    QTemporaryDir dir;
    const QString snapshot = shopSnapshot(dir);
    const struct {
        QStringList options;
        const char *named;
    } refused[] = {
        {{"--db-var", "ws"}, "--db-var"},
        {{"--field-var", "tdf"}, "--field-var"},
        {{"--table-var", "fldNew"}, "--table-var"},
        {{"--db-var", "mcstrQuote"}, "--db-var"},
        {{"--db-var", "strNewDBPath"}, "--db-var"},
        {{"--location", "current", "--db-var", "CurrentDb"}, "--db-var"},
        {{"--index-var", "MsgBox"}, "--index-var"},
        {{"--relation-var", "DBNEW"}, "--relation-var"},
        {{"--queries", "--query-var", "strSQL"}, "--query-var"},
        {{"--queries", "--query-var", "relNew"}, "--query-var"},
        {{"--tab-stop", "300"}, "--tab-stop"},
        {{"--tab-stop", "17"}, "--tab-stop"},
    };
    for (const auto &c : refused) {
        // Refused before the source is read: a missing source is not reached.
        for (const QString &source : {snapshot, dir.filePath("missing.mdb")}) {
            const CliResult result = runCli(QStringList{source} + c.options);
            EXPECT_EQ(result.exitCode, 1) << c.options.join(' ').toStdString();
            EXPECT_TRUE(result.out.isEmpty());
            EXPECT_TRUE(result.err.startsWith("error 5: ")) << result.err.toStdString();
            EXPECT_TRUE(result.err.contains(QLatin1StringView(c.named))) << result.err.toStdString();
        }
    }
    // The query variable means nothing without the queries.
    const CliResult unused = runCli({snapshot, "--query-var", "strSQL"});
    EXPECT_EQ(unused.exitCode, 0) << unused.err.toStdString();
    const CliResult widest = runCli({snapshot, "--tab-stop", "16"});
    EXPECT_EQ(widest.exitCode, 0) << widest.err.toStdString();
    EXPECT_TRUE(widest.out.contains("\r\n" + QByteArray(16, ' ') + "On Error Goto ErrorHandler\r\n"));
}

TEST(Cli, NoWrittenLineIsLongerThanABasicLine)
{
    QTemporaryDir dir;
    const QString snapshot = shopSnapshot(dir);
    const QString path = "/data/" + QString(1100, 'p') + ".mdb";
    const CliResult result = runCli({snapshot, "--location", path, "--security", "hardcoded", "--new-mdw",
                                     "/mdw/" + QString(1100, 'm'), "--new-user", "owner", "--tab-stop", "16"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    for (const QByteArray &line : result.out.split('\n'))
        EXPECT_LE(line.size(), 1024) << line.left(80).constData();   // with its CR
    EXPECT_TRUE(result.out.contains("ws.CreateDatabase(strNewDBPath, dbLangGeneral, dbVersion40)\r\n"));
    EXPECT_TRUE(result.out.contains("DBEngine.SystemDB = strMDWPath\r\n"));
}
