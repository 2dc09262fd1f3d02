// The Jet file engine on the shared sample files: opening, security and format checks.
#include "EngineFixtures.h"
#include "SnapshotJson.h"
#include "FifoWatch.h"
#include "TestPaths.h"

#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/JetEngine.h"
#include "wizard/engine/WizardBuild.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace dao;

namespace {

std::shared_ptr<Database> openFile(DBEngine &engine, const QString &path, const QString &password = {})
{
    return engine.Workspaces(0)->OpenDatabase(path, false, true, QStringLiteral(";pwd=") + password);
}

class JetEngineTest : public ::testing::Test {
protected:
    JetEngine engine;
};

}  // namespace

TEST_F(JetEngineTest, OpensNorthwind)
{
    TABULO_NEED_TESTDATA();
    const QString path = testDataPath(QStringLiteral("northwind.mdb"));
    auto db = openFile(engine, path);
    EXPECT_EQ(db->Name(), path);
    EXPECT_EQ(db->Version(), QStringLiteral("4.0"));
    EXPECT_EQ(db->ReplicaID(), QString());
    EXPECT_EQ(db->DesignMasterID(), QString());
    EXPECT_GT(db->TableDefs().Count(), 8);
    EXPECT_EQ(db->Relations().Count(), 9);
}

TEST_F(JetEngineTest, DatabasePassword)
{
    TABULO_NEED_TESTDATA();
    for (const char *name : {"jet4-password.mdb", "jet4-password-2003.mdb"}) {
        const QString path = testDataPath(QLatin1String(name));
        for (const char *wrong : {"", "Password", "password ", "pass"}) {
            const auto e = raisedError([&] { openFile(engine, path, QLatin1String(wrong)); });
            EXPECT_EQ(e.number(), errors::NotValidDbPassword) << name << " " << wrong;
        }
        EXPECT_EQ(engine.Errors().Item(0).Number, errors::NotValidDbPassword);
        auto db = openFile(engine, path, QStringLiteral("password"));
        EXPECT_EQ(db->TableDefs().Item(db->TableDefs().Count() - 1)->Name(), QStringLiteral("Table1")) << name;
    }
    // A database without a password opens whatever password is given.
    EXPECT_TRUE(openFile(engine, testDataPath(QStringLiteral("jet4-index.mdb")), QStringLiteral("anything")));
}

TEST_F(JetEngineTest, RefusesWhatItCannotOpenWithADescriptionNamingTheFile)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.mdb"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("This is not a database at all, just some text that is long enough.");
    file.close();
    const QString empty = dir.filePath(QStringLiteral("empty.mdb"));
    QFile(empty).open(QIODevice::WriteOnly);

    const struct {
        QString path;
        int number;
    } cases[] = {
        {text, errors::FormatNotRecognised},
        {empty, errors::FormatNotRecognised},
        {dir.filePath(QStringLiteral("missing.mdb")), errors::FileNotFound},
        {dir.path(), errors::FileNotFound},
    };
    for (const auto &c : cases) {
        const auto e = raisedError([&] { openFile(engine, c.path); });
        EXPECT_EQ(e.number(), c.number) << c.path.toStdString();
        EXPECT_TRUE(e.description().contains(c.path)) << e.description().toStdString();
        EXPECT_EQ(engine.Errors().Item(0).Number, c.number);
    }
}

TEST_F(JetEngineTest, OpensNothingButRegularFiles)
{
    QTemporaryDir dir;
    for (const char *name : {"pipe.mdb", "pipe.json"}) {
        const QString pipe = dir.filePath(QLatin1String(name));
        FifoWatch fifo(pipe);
        ASSERT_TRUE(fifo.made());
        const auto e = raisedError([&] { openFile(engine, pipe); });
        EXPECT_EQ(fifo.unblocked(), 0) << name << ": the open blocked";
        EXPECT_EQ(e.number(), errors::CannotOpenFile) << name;
        EXPECT_EQ(e.description(), QStringLiteral("The Microsoft Jet database engine cannot open the file '%1': "
                                                  "it is a named pipe, not a file.").arg(pipe));
    }
    const auto device = raisedError([&] { openFile(engine, QStringLiteral("/dev/null")); });
    EXPECT_EQ(device.number(), errors::CannotOpenFile);
    EXPECT_TRUE(device.description().contains(QStringLiteral("it is a device"))) << device.description().toStdString();

    const QString workgroup = dir.filePath(QStringLiteral("system.mdw"));
    FifoWatch fifo(workgroup);
    engine.setSystemDB(workgroup);
    const auto e = raisedError([&] { engine.CreateWorkspace("temp", "admin", {}); });
    EXPECT_EQ(fifo.unblocked(), 0) << "the workgroup open blocked";
    EXPECT_EQ(e.number(), errors::WorkgroupUnusable);
    EXPECT_TRUE(e.description().contains(workgroup + QStringLiteral(": it is a named pipe")))
        << e.description().toStdString();
}

TEST_F(JetEngineTest, RefusesAnAceFile)
{
    TABULO_NEED_TESTDATA();
    const QString ace = testDataPath(QStringLiteral("ace-2007.accdb"));
    const auto e = raisedError([&] { openFile(engine, ace); });
    EXPECT_EQ(e.number(), errors::FormatNotRecognised);
    EXPECT_TRUE(e.description().contains(ace)) << e.description().toStdString();
}

TEST_F(JetEngineTest, Jet35BuildOpensOnlyJet3Files)
{
    TABULO_NEED_TESTDATA();
    tabulo::setWizardBuild(tabulo::jet35Build());
    const auto e = raisedError([&] { openFile(engine, testDataPath(QStringLiteral("northwind.mdb"))); });
    const auto jet3 = [&] { return openFile(engine, testDataPath(QStringLiteral("jet3-types.mdb"))); };
    std::shared_ptr<Database> db;
    EXPECT_NO_THROW(db = jet3());
    tabulo::setWizardBuild(tabulo::jet40Build());
    EXPECT_EQ(e.number(), errors::FormatNotRecognised);
    EXPECT_TRUE(e.description().contains(QStringLiteral("Jet 4.0")));
    ASSERT_TRUE(db);
    EXPECT_EQ(db->Version(), QStringLiteral("3.0"));
}

TEST_F(JetEngineTest, WorkgroupUsers)
{
    TABULO_NEED_TESTDATA();
    // Without a workgroup file only the default user logs in.
    EXPECT_TRUE(engine.CreateWorkspace(QStringLiteral("temp"), QStringLiteral("Admin"), {}));
    EXPECT_EQ(raisedError([&] { engine.CreateWorkspace("temp", "Creator", {}); }).number(), errors::NotValidAccount);
    EXPECT_EQ(raisedError([&] { engine.CreateWorkspace("temp", "admin", "secret"); }).number(),
              errors::NotValidAccount) << "the default admin has no password";

    engine.setSystemDB(testDataPath(QStringLiteral("workgroup.mdw")));
    for (const char *user : {"admin", "ENGINE", "Creator", "tsc_jvoit", "Fevzi Celik"})
        EXPECT_NO_THROW(engine.CreateWorkspace(QStringLiteral("temp"), QLatin1String(user), QStringLiteral("x"))) << user;
    // Groups are no users; unknown names are refused.
    for (const char *user : {"Admins", "Users", "nobody", ""})
        EXPECT_EQ(raisedError([&] { engine.CreateWorkspace("temp", QLatin1String(user), {}); }).number(),
                  errors::NotValidAccount) << user;

    auto ws = engine.CreateWorkspace(QStringLiteral("temp"), QStringLiteral("admin"), {});
    EXPECT_TRUE(ws->OpenDatabase(testDataPath(QStringLiteral("jet3-index.mdb")), false, true, QStringLiteral(";pwd=")));

    for (const char *file : {"northwind.mdb", "ace-2007.accdb", "missing.mdw"}) {
        engine.setSystemDB(testDataPath(QLatin1String(file)));
        const auto e = raisedError([&] { engine.CreateWorkspace("temp", "admin", {}); });
        EXPECT_EQ(e.number(), errors::WorkgroupUnusable) << file;
        EXPECT_TRUE(e.description().contains(testDataPath(QLatin1String(file)))) << e.description().toStdString();
    }
}

TEST_F(JetEngineTest, APathHoldingABackslashIsReadAsGivenWhenThatFileExists)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto snapshot = [&](const QString &path, const QString &table) {
        ASSERT_TRUE(testsupport::writeSnapshot(path, schemabuild::database({schemabuild::table(table, {})})));
    };
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shop")));
    snapshot(dir.filePath(QStringLiteral("shop\\db.json")), QStringLiteral("Odd"));
    snapshot(dir.filePath(QStringLiteral("shop/db.json")), QStringLiteral("InFolder"));
    snapshot(dir.filePath(QStringLiteral("shop/other.json")), QStringLiteral("Other"));

    auto odd = openFile(engine, dir.filePath(QStringLiteral("shop\\db.json")));
    EXPECT_EQ(odd->TableDefs().Item(0)->Name(), QStringLiteral("Odd"));
    // No file of that name: "\" separates folders.
    const QString other = dir.filePath(QStringLiteral("shop\\other.json"));
    auto separated = openFile(engine, other);
    EXPECT_EQ(separated->TableDefs().Item(0)->Name(), QStringLiteral("Other"));
    EXPECT_EQ(separated->Name(), other);
}
