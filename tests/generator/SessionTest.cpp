// The source database session: opening with the settings' security, what is
// held and let go of, the table listing and the chosen-list test.

#include "GeneratorFixture.h"
#include "utility/BasicError.h"
#include "wizard/engine/WizardBuild.h"

#include <QDir>

using namespace gentest;

namespace {
const QString kDBSource = QStringLiteral("clsWriteNewDatabase  - DBSource");
}

TEST_F(GeneratorTest, DBSourceOpensOnceReadOnlyWithTheConnectText)
{
    gen.setPathNameDBSource(shopPath);
    const auto first = gen.DBSource();
    const auto second = gen.DBSource();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(engine->faults().callCount("Workspace.OpenDatabase"), 1);
    const auto &calls = engine->faults().calls();
    const auto open = std::find_if(calls.begin(), calls.end(),
                                   [](const auto &c) { return c.member == "Workspace.OpenDatabase"; });
    ASSERT_NE(open, calls.end());
    // Not exclusive, read-only, and ";pwd=" even without a password.
    EXPECT_EQ(open->arguments, QStringList({shopPath, "False", "True", ";pwd="}));
}

TEST_F(GeneratorTest, WithoutWorkgroupTheDefaultWorkspaceIsUsedAndTheUserIgnored)
{
    gen.setUserNameSource("nobody");
    gen.setPasswordMDWSource("x");
    gen.setPathNameDBSource(shopPath);
    ASSERT_NE(gen.DBSource(), nullptr);
    EXPECT_EQ(engine->faults().callCount("DBEngine.CreateWorkspace"), 0);
    EXPECT_EQ(engine->faults().callCount("DBEngine.Workspaces"), 1);
}

TEST_F(GeneratorTest, WorkgroupLoginUsesSystemDBAndATempWorkspace)
{
    const QString mdw = signInThrough({"Clerk"}, "clerk");
    gen.setPasswordMDWSource("pw");
    gen.setPathNameDBSource(shopPath);
    ASSERT_NE(gen.DBSource(), nullptr);
    EXPECT_EQ(engine->SystemDB(), mdw);
    const auto &calls = engine->faults().calls();
    const auto create = std::find_if(calls.begin(), calls.end(),
                                     [](const auto &c) { return c.member == "DBEngine.CreateWorkspace"; });
    ASSERT_NE(create, calls.end());
    EXPECT_EQ(create->arguments, QStringList({"temp", "clerk", "pw"}));
}

TEST_F(GeneratorTest, AnUnknownUserFailsBeforeAnyWorkspaceIsHeld)
{
    signInThrough({"Clerk"}, "mallory");
    gen.setPathNameDBSource(shopPath);
    const pembry::BasicError e = expectedError([&] { gen.DBSource(); });
    EXPECT_EQ(e.number(), 3029);
    EXPECT_EQ(e.source(), kDBSource);
    EXPECT_FALSE(e.description().isEmpty());

    // Nothing was held: the corrected user logs in afresh.
    gen.setUserNameSource("Clerk");
    EXPECT_NE(gen.DBSource(), nullptr);
    EXPECT_EQ(engine->faults().callCount("DBEngine.CreateWorkspace"), 2);
}

TEST_F(GeneratorTest, AMissingOrUnnamedSourceFailsWithError5NamingTheFile)
{
    pembry::BasicError e = expectedError([&] { gen.DBSource(); });
    EXPECT_EQ(e.number(), 5);
    EXPECT_EQ(e.source(), kDBSource);

    const QString missing = dir.filePath("missing.mdb");
    gen.setPathNameDBSource(missing);
    e = expectedError([&] { gen.DBSource(); });
    EXPECT_EQ(e.number(), 5);
    EXPECT_EQ(e.source(), kDBSource);
    EXPECT_TRUE(e.description().contains(missing)) << e.description().toStdString();
    EXPECT_EQ(engine->faults().callCount("Workspace.OpenDatabase"), 0);
}

TEST_F(GeneratorTest, AFolderAsTheSourceFailsWithError5SayingItIsOne)
{
    const QString folder = dir.filePath("adir.mdb");
    ASSERT_TRUE(QDir().mkdir(folder));
    gen.setPathNameDBSource(folder);
    const pembry::BasicError e = expectedError([&] { gen.DBSource(); });
    EXPECT_EQ(e.number(), 5);
    EXPECT_EQ(e.source(), kDBSource);
    EXPECT_EQ(e.description(), "The source database \"" + folder + "\" is a folder, not a database file.");
    EXPECT_EQ(engine->faults().callCount("Workspace.OpenDatabase"), 0);
}

TEST_F(GeneratorTest, AWrongDatabasePasswordIsRaisedAfreshAndTheWorkspaceReused)
{
    const QString locked = addSource("locked.mdb", shopModel(), "secret");
    signInThrough({"admin"}, "admin");
    gen.setPathNameDBSource(locked);
    gen.setPasswordDBSource("guess");
    const pembry::BasicError e = expectedError([&] { gen.DBSource(); });
    EXPECT_EQ(e.number(), 3031);
    EXPECT_EQ(e.source(), kDBSource);
    EXPECT_TRUE(e.description().contains(locked));

    gen.setPasswordDBSource("secret");
    EXPECT_NE(gen.DBSource(), nullptr);
    EXPECT_EQ(engine->faults().callCount("DBEngine.CreateWorkspace"), 1);
    EXPECT_EQ(engine->faults().callCount("Workspace.OpenDatabase"), 2);
}

TEST_F(GeneratorTest, ADatabasePasswordChangedAfterTheOpenIsCheckedOnTheNextUse)
{
    const QString locked = addSource("locked.mdb", shopModel(), "secret");
    signInThrough({"admin"}, "admin");
    gen.setPathNameDBSource(locked);
    gen.setPasswordDBSource("secret");
    const std::shared_ptr<dao::Database> opened = gen.DBSource();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(gen.DBSource(), opened) << "an unchanged password opened the database again";

    gen.setPasswordDBSource("guess");
    EXPECT_EQ(expectedError([&] { gen.DBSource(); }).number(), 3031);
    EXPECT_EQ(expectedError([&] { gen.DBSourceVersion(); }).number(), 3031) << "the refused open was kept";

    gen.setPasswordDBSource("secret");
    EXPECT_NE(gen.DBSource(), nullptr);
    EXPECT_EQ(engine->faults().callCount("DBEngine.CreateWorkspace"), 1) << "the workgroup login was asked again";
    EXPECT_EQ(engine->faults().callCount("Workspace.OpenDatabase"), 4);
}

TEST_F(GeneratorTest, AnUnrecognisedFormatShowsTheMessageAndAnswersNoDatabase)
{
    engine->faults().inject("Workspace.OpenDatabase", 3343);
    gen.setPathNameDBSource(shopPath);
    EXPECT_EQ(gen.DBSource(), nullptr);
    ASSERT_EQ(messages.messages.size(), 1);
    const QString opening = "Tabulo cannot open the database you selected.<" + shopPath
                            + ">\r\n\r\nIt is either a corrupt database, or it was created by a version of "
                              "Access not recognized by this version of Tabulo.\r\n";
    // The Jet 4.0 build says what it reads, and that the ACE build opens the newer files.
    EXPECT_EQ(messages.messages[0].text,
              opening + "This version of Tabulo reads the databases of Access 2003 and earlier (Jet 4.0 and "
                        "before); the ACE 12.0 version of Tabulo opens the databases of Access 2007 and later "
                        "(.accdb).");
    EXPECT_EQ(messages.messages[0].style, 0);
    EXPECT_EQ(messages.messages[0].title, "Tabulo Wizard");
    tabulo::setWizardBuild(tabulo::jet35Build());
    gen.setPathNameDBSource(shopPath + "x");
    gen.setPathNameDBSource(shopPath);
    gen.DBSource();
    tabulo::setWizardBuild(tabulo::jet40Build());
    ASSERT_EQ(messages.messages.size(), 2);
    EXPECT_EQ(messages.messages[1].text,
              opening + "Please rerun Tabulo setup and ensure that you install the Jet 4.0 version.");

    // The next use of the missing database is error 91, not a crash.
    const pembry::BasicError e = expectedError([&] { gen.DBSourceVersion(); });
    EXPECT_EQ(e.number(), 91);
}

TEST_F(GeneratorTest, OtherOpenErrorsKeepTheirNumberAndDescription)
{
    engine->faults().inject("Workspace.OpenDatabase", 3033, "No permission on shop.mdb");
    gen.setPathNameDBSource(shopPath);
    const pembry::BasicError e = expectedError([&] { gen.DBSource(); });
    EXPECT_EQ(e.number(), 3033);
    EXPECT_EQ(e.description(), "No permission on shop.mdb");
    EXPECT_EQ(e.source(), kDBSource);
}

TEST_F(GeneratorTest, AHandedInDatabaseIsHeldUntilThePathChanges)
{
    schema::Database model = shopModel();
    model.name = "/host/own.mdb";
    const auto served = engine->memory().makeDatabase(model);
    const auto hosted = engine->withFaults(served);
    gen.setDBSource(hosted);
    EXPECT_EQ(gen.PathNameDBSource(), "/host/own.mdb");
    EXPECT_EQ(gen.DBSource(), hosted);

    gen.setPathNameDBSource("/host/own.mdb");      // the same text keeps it
    EXPECT_EQ(gen.DBSource(), hosted);
    EXPECT_EQ(engine->faults().callCount("Workspace.OpenDatabase"), 0);

    gen.setPathNameDBSource(shopPath);             // another file: opened anew
    const auto opened = gen.DBSource();
    EXPECT_NE(opened, hosted);
    EXPECT_EQ(opened->Name(), shopPath);
    EXPECT_FALSE(served->isClosed());              // let go of, not closed
}

TEST_F(GeneratorTest, SettingDBSourceReportsItsOwnSource)
{
    engine->faults().inject("Database.Name", 3420);
    const pembry::BasicError e = expectedError([&] { gen.setDBSource(engine->makeDatabase(shopModel())); });
    EXPECT_EQ(e.number(), 3420);
    EXPECT_EQ(e.source(), "clsWriteNewDatabase:DBSource");
}

TEST_F(GeneratorTest, DBSourceVersionIsTheMajorVersionDigitOrTwelveForAce)
{
    const std::pair<QString, int> cases[] = {{"4.0", 4}, {"3.0", 3}, {"2.0", 2}, {"1.1", 1}, {" 3.5 ", 3},
                                             {"12.0", 12}, {"13.0", 1}};
    for (const auto &[text, major] : cases) {
        schema::Database model = shopModel();
        model.version = text;
        gen.setDBSource(engine->makeDatabase(model));
        EXPECT_EQ(gen.DBSourceVersion(), major) << text.toStdString();
    }
    schema::Database odd = shopModel();
    odd.version = "four";
    gen.setDBSource(engine->makeDatabase(odd));
    EXPECT_EQ(expectedError([&] { gen.DBSourceVersion(); }).number(), 13);
}

TEST_F(GeneratorTest, TheAvailableListLeavesOutSystemLinkedAndMSysTables)
{
    const schema::Database model = database({
        table("Zebra", {textField("A")}),
        table("MSysObjects", {textField("A")}),
        table("SystemFlagged", {textField("A")}, {}, qint32(0x80000002)),
        table("Linked", {textField("A")}, {}, 0x40000000),
        table("LinkedOdbc", {textField("A")}, {}, 0x20000000),
        table("msysLowerCase", {textField("A")}),
        table("Hidden", {textField("A")}, {}, 1),
        table(QString::fromUtf8("Bücher"), {textField("A")}),
        table("OnlySystemBit", {textField("A")}, {}, 2),
    });
    const QString path = addSource("mixed.mdb", model);
    gen.setPathNameDBSource(path);
    available.items = {"stale entry"};
    showProgress();
    EXPECT_FALSE(gen.FillSourceTablesAvailableList());
    // Collection order; the list object sorts if it wants to.
    EXPECT_EQ(available.items,
              QStringList({"Zebra", "msysLowerCase", "Hidden", QString::fromUtf8("Bücher"), "OnlySystemBit"}));
    EXPECT_EQ(statusBar.panel(1).history,
              QStringList({"Retrieving list of tables in source database", "Ready"}));
}

TEST_F(GeneratorTest, ADatabaseOfOnlyLinkedTablesGivesAnEmptyList)
{
    const schema::Database model = database({table("Linked", {textField("A")}, {}, 0x40000000)});
    gen.setPathNameDBSource(addSource("linked.mdb", model));
    EXPECT_FALSE(gen.FillSourceTablesAvailableList());
    EXPECT_TRUE(available.items.isEmpty());
}

TEST_F(GeneratorTest, AFailedListingRestoresTheDisplayAndNamesItsSource)
{
    engine->faults().inject("TableDefs.Item", 3033);
    gen.setPathNameDBSource(shopPath);
    showProgress();
    progress.visible = true;
    pembry::BasicError e = expectedError([&] { gen.FillSourceTablesAvailableList(); });
    EXPECT_EQ(e.number(), 3033);
    EXPECT_EQ(e.source(), "clsWriteNewDatabase  - FillSourceTablesAvailableList");
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(statusBar.panel(1).text, "Ready");

    // A wrong password while listing is raised afresh under the same source.
    gen.CloseSourceDBandMDW();
    engine->faults().clear();
    const QString locked = addSource("locked.mdb", shopModel(), "secret");
    gen.setPathNameDBSource(locked);
    e = expectedError([&] { gen.FillSourceTablesAvailableList(); });
    EXPECT_EQ(e.number(), 3031);
    EXPECT_EQ(e.source(), "clsWriteNewDatabase  - FillSourceTablesAvailableList");
}

TEST_F(GeneratorTest, IsTableInChosenListComparesExactly)
{
    chosen.items = {"Orders", "Order Details"};
    EXPECT_TRUE(gen.IsTableInChosenList("Orders"));
    EXPECT_TRUE(gen.IsTableInChosenList("Order Details"));
    EXPECT_FALSE(gen.IsTableInChosenList("orders"));
    EXPECT_FALSE(gen.IsTableInChosenList(""));
    EXPECT_FALSE(gen.IsTableInChosenList("Order"));

    gen.setSourceTablesChosenList(nullptr);
    const pembry::BasicError e = expectedError([&] { gen.IsTableInChosenList("Orders"); });
    EXPECT_EQ(e.number(), 91);
    EXPECT_EQ(e.source(), "clsWriteNewDatabase:IsTableInChosenList");
}

TEST_F(GeneratorTest, CloseLetsGoOfEverythingAndIgnoresFailures)
{
    signInThrough({"admin"}, "admin");
    gen.setPathNameDBSource(shopPath);
    ASSERT_NE(gen.DBSource(), nullptr);

    engine->faults().inject("Database.Close", 3420);
    engine->faults().inject("Workspace.Close", 3420);
    EXPECT_NO_THROW(gen.CloseSourceDBandMDW());
    EXPECT_EQ(engine->faults().callCount("Database.Close"), 1);
    EXPECT_EQ(engine->faults().callCount("Workspace.Close"), 1);

    // Nothing held any more: the next read logs in and opens again.
    engine->faults().clear();
    ASSERT_NE(gen.DBSource(), nullptr);
    EXPECT_EQ(engine->faults().callCount("DBEngine.CreateWorkspace"), 2);
    EXPECT_EQ(engine->faults().callCount("Workspace.OpenDatabase"), 2);
    EXPECT_NO_THROW(gen.CloseSourceDBandMDW());
    EXPECT_NO_THROW(gen.CloseSourceDBandMDW());
}
