// WriteTableCreationCode as the user sees it: progress and status texts,
// delivery to the code file, clipboard and messages, and the failure paths.

#include "GeneratorFixture.h"
#include "utility/BasicError.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/generator/Windows1252.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <unistd.h>

using namespace gentest;

namespace {

const QString kRunSource = QStringLiteral("clsWriteNewDatabase:WriteTableCreationCode Method");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class RunTest : public GeneratorTest {
protected:
    void SetUp() override
    {
        GeneratorTest::SetUp();
        gen.setPathNameDBSource(shopPath);
        gen.setPathNameDBNew("Variable");
        gen.setClipboard(&clipboard);
    }

    void choose(const QStringList &tables) { chosen.items = tables; }

    // The Basic error the run ends with; each one names the run as its source.
    pembry::BasicError runError()
    {
        const pembry::BasicError e = expectedError([&] { gen.WriteTableCreationCode(); });
        EXPECT_EQ(e.source(), kRunSource);
        return e;
    }

    FakeClipboard clipboard;
};

TEST_F(RunTest, ProgressAndStatusFollowTheRunAndAreRestoredAtItsEnd)
{
    showProgress();
    choose({"Customers", "Orders"});
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_EQ(statusBar.panel(1).history,
              QStringList({"Verifying Tables ...", "Analyzing Table: Customers", "Analyzing Table: Orders",
                           "Analyzing Relationships", "Writing Code ...", "Ready"}));
    EXPECT_EQ(progress.events, QStringList({"min 1", "max 2", "visible", "value 1", "value 2", "hidden"}));
    EXPECT_EQ(engine->faults().callCount("TableDefs.Refresh"), 1);

    const QString text = gen.ModuleText();
    EXPECT_TRUE(text.startsWith("Public Sub CreateNewDatabase(strNewDBPath As String)\r\n"));
    EXPECT_TRUE(text.contains("Private Sub subCreate_Customers(dbNew As Database)"));
    EXPECT_TRUE(text.contains("Private Sub subCreate_Orders(dbNew As Database)"));
    EXPECT_TRUE(text.contains("Set relNew = dbNew.CreateRelation(\"CustomersOrders\")"));
    EXPECT_FALSE(text.contains("Products"));
    EXPECT_TRUE(text.endsWith("End Sub\r\n"));
    EXPECT_TRUE(messages.messages.isEmpty());    // no code file, no clipboard
}

// The engine here is a host's own (the fake engine's decorator), not the
// file engine: its database is read once into the design model, for the
// module and for an SQL script alike.
TEST_F(RunTest, AnSqlScriptIsWrittenFromAHostsDatabaseToo)
{
    choose({"Customers", "Orders"});
    tabulo::GeneratorSettings settings = gen.settings();
    settings.sqlDialect = "sqlite";
    gen.setSettings(settings);
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_TRUE(gen.ModuleText().contains("CREATE TABLE \"Orders\""));
    EXPECT_TRUE(gen.ModuleText().contains("REFERENCES \"Customers\""));
}

TEST_F(RunTest, OneChosenTableRunsTheProgressBarFromOneToTwo)
{
    showProgress();
    choose({"Products"});
    gen.WriteTableCreationCode();
    EXPECT_EQ(progress.events, QStringList({"min 1", "max 2", "visible", "value 1", "hidden"}));
}

TEST_F(RunTest, WithoutStatusBarOrProgressTheTextIsTheSame)
{
    choose({"Customers", "Orders", "Products"});
    gen.WriteTableCreationCode();
    const QString quiet = gen.ModuleText();
    showProgress();
    gen.WriteTableCreationCode();
    EXPECT_EQ(gen.ModuleText(), quiet);
}

TEST_F(RunTest, ChosenTablesAreFoundWhateverTheirLetterCase)
{
    choose({"customers", "ORDERS"});
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_TRUE(gen.ModuleText().contains("CreateTableDef(\"Customers\")"));
}

TEST_F(RunTest, AnEmptyChosenListFailsWith380AndLeavesThePanelAsItWas)
{
    showProgress();
    const pembry::BasicError e = runError();
    EXPECT_EQ(e.number(), 380);
    EXPECT_EQ(e.description(), "Chosen tables listbox failed to initialize.");
    EXPECT_EQ(statusBar.panel(1).text, "Ready");
    EXPECT_FALSE(progress.visible);
}

TEST_F(RunTest, MissingPermissionBecomes3033AndTheEarlierModuleTextStays)
{
    choose({"Products"});
    gen.WriteTableCreationCode();
    const QString earlier = gen.ModuleText();

    showProgress();
    choose({"Customers", "Orders"});
    engine->faults().inject("TableDef[Orders].Fields", 3110, "Cannot read definitions of Orders");
    const pembry::BasicError e = runError();
    EXPECT_EQ(e.number(), 3033);
    EXPECT_EQ(e.description(), "Cannot read definitions of Orders");
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(statusBar.panel(1).text, "Ready");
    EXPECT_EQ(gen.ModuleText(), earlier);
}

TEST_F(RunTest, OtherErrorsKeepNumberAndDescription)
{
    choose({"Customers", "Orders"});
    engine->faults().inject("Relations.Item", 3420);
    const pembry::BasicError e = runError();
    EXPECT_EQ(e.number(), 3420);
    EXPECT_FALSE(e.description().isEmpty());
}

TEST_F(RunTest, AChosenTableMissingFromTheSourceIsNamed)
{
    choose({"Customers", "Invoices"});
    const pembry::BasicError e = runError();
    EXPECT_EQ(e.number(), 3265);
    EXPECT_TRUE(e.description().contains("Invoices"));
}

TEST_F(RunTest, ASourceThatCannotBeOpenedEndsTheRunWithError91)
{
    engine->faults().inject("Workspace.OpenDatabase", 3343);
    choose({"Customers"});
    const pembry::BasicError e = runError();
    EXPECT_EQ(e.number(), 91);
    EXPECT_EQ(messages.messages.size(), 1);     // the "cannot open" message
}

TEST_F(RunTest, AnUnlistedVersionIsRefusedBeforeAnythingIsRead)
{
    choose({"Customers"});
    gen.setVersion(7);
    const pembry::BasicError e = runError();
    EXPECT_EQ(e.number(), 5);
    EXPECT_TRUE(e.description().contains("Version"));
    EXPECT_EQ(engine->faults().callCount("Workspace.OpenDatabase"), 0);
}

TEST_F(RunTest, AReplicaCheckThatFailsWith3478TakesTheSourceAsNoReplica)
{
    schema::Database model = shopModel();
    model.replicaId = "{11111111-2222-3333-4444-555555555555}";
    model.relations[0].partialReplica = true;
    gen.setPathNameDBSource(addSource("replica.mdb", model));
    choose({"Customers", "Orders"});
    gen.WriteTableCreationCode();
    EXPECT_TRUE(gen.ModuleText().contains("relNew.PartialReplica = True"));

    showProgress();
    engine->faults().inject("Database.DesignMasterID", 3478);
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_FALSE(gen.ModuleText().contains("PartialReplica"));
    EXPECT_TRUE(gen.ModuleText().contains("CreateRelation(\"CustomersOrders\")"));
    const QStringList history = statusBar.panel(1).history;
    EXPECT_EQ(history.mid(3), QStringList({"Analyzing Relationships", "Writing Code ...", "Ready"}));
}

TEST_F(RunTest, Error3478ElsewhereEndsTheRun)
{
    choose({"Customers", "Orders"});
    engine->faults().inject("Relations.Count", 3478);
    EXPECT_EQ(runError().number(), 3478);
}

// --- Delivery --------------------------------------------------------------

TEST_F(RunTest, TheCodeFileHoldsTheHeaderAndTheModuleInWindows1252)
{
    schema::Database model = shopModel();
    model.tables[2].fields[1].defaultValue = QString::fromUtf8("Café");
    gen.setPathNameDBSource(addSource("cafe.mdb", model));
    const QString codeFile = dir.filePath("Create DB.bas");
    gen.setPathNameCodeFile(codeFile);
    choose({"Products"});
    gen.WriteTableCreationCode();
    const QByteArray bytes = readFile(codeFile);
    EXPECT_EQ(bytes, "Option Explicit\r\n\r\n" + tabulo::toWindows1252(gen.ModuleText()) + "\r\n");
    EXPECT_TRUE(bytes.endsWith("End Sub\r\n\r\n"));
    EXPECT_TRUE(bytes.contains("Caf\xE9"));
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_EQ(messages.messages[0].text, "The Tabulo results have saved to <" + codeFile + ">.");
    EXPECT_EQ(messages.messages[0].style, 0);

    gen.setWriteVB5Header(true);
    gen.WriteTableCreationCode();
    EXPECT_TRUE(readFile(codeFile).startsWith("Attribute VB_Name = \"basCreateDB\"\r\nOption Explicit\r\n\r\n"));
    EXPECT_TRUE(QDir(dir.path()).entryList({"Create DB.bas.*"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(RunTest, TheCodeFileHoldsTheSameBytesAsTheContentInMemory)
{
    // Names outside ASCII, with the header, over several tables.
    const QString sizes = QString::fromUtf8("Gr\u00f6\u00dfe \u20ac");
    schema::Database model = shopModel();
    model.tables.append(table(sizes, {textField(QString::fromUtf8("Ma\u00df"))}));
    gen.setPathNameDBSource(addSource("sizes.mdb", model));
    gen.setWriteVB5Header(true);
    gen.setPathNameCodeFile(dir.filePath("sizes.bas"));
    choose({"Customers", "Orders", sizes});
    ASSERT_TRUE(gen.WriteTableCreationCode());

    const QByteArray content = tabulo::codeFileContent(gen.ModuleText(), true, dir.filePath("sizes.bas"));
    EXPECT_EQ(readFile(dir.filePath("sizes.bas")), content);
    EXPECT_TRUE(content.startsWith("Attribute VB_Name = \"bassizes\"\r\n"));
    EXPECT_TRUE(content.contains("CreateTableDef(\"Gr\xF6\xDF" "e \x80\")"));

    // A device that takes no bytes is reported, not passed over.
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(tabulo::writeCodeFileContent(readOnly, gen.ModuleText(), true, dir.filePath("sizes.bas")));
}

TEST_F(RunTest, TheClosingMessageNamesWhereTheModuleWent)
{
    choose({"Products"});
    const QString codeFile = dir.filePath("out.bas");

    gen.setCopyToClipboard(true);
    gen.WriteTableCreationCode();
    EXPECT_EQ(clipboard.text, gen.ModuleText());
    EXPECT_EQ(clipboard.clearCount, 1);
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_EQ(messages.messages[0].text, "The Tabulo results have been copied to the clipboard.");

    gen.setPathNameCodeFile(codeFile);
    gen.WriteTableCreationCode();
    ASSERT_EQ(messages.messages.size(), 2);
    EXPECT_EQ(messages.messages[1].text,
              "The Tabulo results have been copied to the clipboard and saved to <" + codeFile + ">.");

    // The host inserts the text: no message, the text is in ModuleText.
    gen.setInsertPosition(2);
    gen.WriteTableCreationCode();
    EXPECT_EQ(messages.messages.size(), 2);
    EXPECT_FALSE(gen.ModuleText().isEmpty());

    // Nowhere to go but ModuleText: no message either.
    gen.setInsertPosition(0);
    gen.setCopyToClipboard(false);
    gen.setPathNameCodeFile({});
    gen.WriteTableCreationCode();
    EXPECT_EQ(messages.messages.size(), 2);
}

TEST_F(RunTest, RunNotepadWithoutACodeFileOpensNothingAndSaysNothing)
{
    choose({"Products"});
    gen.setRunNotepad(true);
    gen.setCopyToClipboard(true);
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_TRUE(messages.messages.isEmpty());
    EXPECT_EQ(clipboard.text, gen.ModuleText());
}

TEST_F(RunTest, AFailedRunLeavesAnExistingCodeFileUntouched)
{
    const QString codeFile = dir.filePath("keep.bas");
    writeFile(codeFile, "earlier module\r\n");
    gen.setPathNameCodeFile(codeFile);
    choose({"Customers"});
    engine->faults().inject("TableDef[Customers].Indexes", 3420);
    EXPECT_THROW(gen.WriteTableCreationCode(), pembry::BasicError);
    EXPECT_EQ(readFile(codeFile), "earlier module\r\n");
}

TEST_F(RunTest, ACodeFileInAMissingFolderFailsNamingThePath)
{
    const QString codeFile = dir.filePath("no such folder/out.bas");
    gen.setPathNameCodeFile(codeFile);
    choose({"Customers"});
    const pembry::BasicError e = runError();
    EXPECT_EQ(e.number(), 76);
    EXPECT_TRUE(e.description().contains(codeFile)) << e.description().toStdString();
    EXPECT_TRUE(gen.ModuleText().isEmpty());
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(RunTest, AnUnwritableFolderLeavesTheExistingCodeFileUntouched)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    QDir(dir.path()).mkdir("locked");
    const QString codeFile = dir.filePath("locked/out.bas");
    writeFile(codeFile, "earlier module\r\n");
    QFile::setPermissions(dir.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    gen.setPathNameCodeFile(codeFile);
    choose({"Customers"});
    const pembry::BasicError e = expectedError([&] { gen.WriteTableCreationCode(); });
    QFile::setPermissions(dir.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(e.number(), 75);
    EXPECT_TRUE(e.description().contains(codeFile));
    EXPECT_EQ(readFile(codeFile), "earlier module\r\n");
    EXPECT_EQ(QDir(dir.filePath("locked")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(RunTest, AJetSourceGivesTheSameModuleInTheAceBuildAsInTheJet40Build)
{
    choose({"Customers", "Orders", "Products"});
    gen.setIncludeDesignProperties(true);
    ASSERT_TRUE(gen.WriteTableCreationCode());
    const QString jet40 = gen.ModuleText();
    tabulo::setWizardBuild(tabulo::ace120Build());
    const bool written = gen.WriteTableCreationCode();
    const QString ace = gen.ModuleText();
    tabulo::setWizardBuild(tabulo::jet40Build());
    ASSERT_TRUE(written);
    EXPECT_EQ(ace, jet40);
    EXPECT_TRUE(gen.LeftOutFields().isEmpty());
}
