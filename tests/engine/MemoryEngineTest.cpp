#include "EngineFixtures.h"
#include "FaultyEngine.h"
#include "SnapshotJson.h"

#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/MemoryEngine.h"

#include <QTemporaryDir>
#include <limits>

using namespace dao;

namespace {

class MemoryEngineTest : public ::testing::Test {
protected:
    void SetUp() override { engine->addDatabase(QStringLiteral("/data/shop.mdb"), sampleModel()); }

    std::shared_ptr<Database> openShop(const QString &connect = QStringLiteral(";pwd="))
    {
        return engine->Workspaces(0)->OpenDatabase(QStringLiteral("/data/shop.mdb"), false, true, connect);
    }

    // The in-memory engine behind the fault decorator, as the other tests use it.
    std::shared_ptr<testsupport::FakeEngine> engine = std::make_shared<testsupport::FakeEngine>();
};

// Writes `model` as the snapshot file `name` in `dir`; its path.
QString writeSnapshot(const QTemporaryDir &dir, const char *name, const schema::Database &model)
{
    const QString path = dir.filePath(QLatin1String(name));
    return testsupport::writeSnapshot(path, model) ? path : QString();
}

}  // namespace

TEST_F(MemoryEngineTest, ServesTheModelInItsOrder)
{
    auto db = openShop();
    EXPECT_EQ(db->Name(), QStringLiteral("/data/shop.mdb"));
    EXPECT_EQ(db->Version(), QStringLiteral("4.0"));
    EXPECT_EQ(db->ReplicaID(), QString());
    TableDefs &tables = db->TableDefs();
    ASSERT_EQ(tables.Count(), 3);
    EXPECT_EQ(tables.Item(1)->Name(), QStringLiteral("Order Details"));
    EXPECT_EQ(tables.Item(2)->Attributes(), qint32(0x80000002));
    const std::shared_ptr<TableDef> customers = tables.Item(0);
    const Fields &fields = customers->Fields();
    ASSERT_EQ(fields.Count(), 2);
    EXPECT_EQ(fields.Item(0)->Attributes(), 17);
    EXPECT_TRUE(fields.Item(1)->Required());
    EXPECT_EQ(fields.Item(1)->ValidationText(), sampleModel().tables[0].fields[1].validationText);
    const auto pk = tables.Item(0)->Indexes().Item(0);
    EXPECT_TRUE(pk->Primary());
    EXPECT_EQ(pk->Fields().Item(0)->Name(), QStringLiteral("CustomerID"));
    const auto rel = db->Relations().Item(0);
    EXPECT_EQ(rel->Table(), QStringLiteral("Customers"));
    EXPECT_EQ(rel->ForeignTable(), QStringLiteral("Order Details"));
    EXPECT_EQ(rel->Fields().Item(0)->ForeignName(), QStringLiteral("CustomerID"));
    EXPECT_EQ(raisedError([&] { tables.Item(3); }).number(), errors::ItemNotFound);
    EXPECT_EQ(raisedError([&] { tables.Item(-1); }).number(), errors::ItemNotFound);
}

TEST_F(MemoryEngineTest, ServesTableValidationDesignPropertiesAndKeyDirections)
{
    engine->addDatabase(QStringLiteral("/data/design.mdb"), designModel());
    auto db = engine->Workspaces(0)->OpenDatabase(QStringLiteral("/data/design.mdb"), false, true, {});
    const auto customers = db->TableDefs().Item(0);
    EXPECT_EQ(customers->ValidationRule(), designModel().tables[0].validationRule);
    EXPECT_EQ(customers->ValidationText(), designModel().tables[0].validationText);

    // Table and field properties in stored order, with name, type and value.
    const Properties &own = customers->Properties();
    ASSERT_EQ(own.Count(), designModel().tables[0].properties.size());
    EXPECT_EQ(own.Item(0)->Name(), QStringLiteral("Description"));
    EXPECT_EQ(own.Item(0)->Type(), dbText);
    EXPECT_EQ(own.Item(0)->Value(), QVariant(QStringLiteral("Customers' names — «Zürich» 東京")));
    EXPECT_EQ(own.Item(7)->Type(), dbCurrency);
    EXPECT_EQ(own.Item(7)->Value(), QVariant(std::numeric_limits<qlonglong>::max()));
    EXPECT_EQ(raisedError([&] { own.Item(own.Count()); }).number(), errors::ItemNotFound);
    const std::shared_ptr<Field> nameField = customers->Fields().Item(1);
    const Properties &name = nameField->Properties();
    ASSERT_EQ(name.Count(), 8);
    EXPECT_EQ(name.Item(3)->Name(), QStringLiteral("RowSource"));
    EXPECT_EQ(name.Item(3)->Type(), dbMemo);
    EXPECT_EQ(name.Item(7)->Value(), QVariant(true));
    EXPECT_EQ(customers->Fields().Item(0)->Properties().Count(), 0);

    // A descending key field says so in its attributes; index and relation
    // fields have no design properties.
    const auto key = customers->Indexes().Item(0)->Fields().Item(0);
    EXPECT_EQ(key->Attributes(), dbDescending);
    EXPECT_EQ(key->Properties().Count(), 0);
    EXPECT_EQ(db->Relations().Item(0)->Fields().Item(0)->Properties().Count(), 0);
    auto plain = openShop();
    EXPECT_EQ(plain->TableDefs().Item(0)->Indexes().Item(0)->Fields().Item(0)->Attributes(), 0);

    // The new members go through the fault plan like the others.
    engine->faults().inject(QStringLiteral("Property[RowSource].Value"), errors::NoReadDefinitions);
    engine->faults().inject(QStringLiteral("TableDef[Customers].ValidationRule"), errors::NoPermission);
    EXPECT_EQ(raisedError([&] { name.Item(3)->Value(); }).number(), errors::NoReadDefinitions);
    EXPECT_NO_THROW(name.Item(0)->Value());
    EXPECT_EQ(raisedError([&] { customers->ValidationRule(); }).number(), errors::NoPermission);
}

TEST_F(MemoryEngineTest, DatabasePasswordComesFromTheConnectText)
{
    engine->addDatabase(QStringLiteral("/data/locked.mdb"), sampleModel(), QStringLiteral("se;cret"));
    auto ws = engine->Workspaces(0);
    for (const char *connect : {";pwd=", ";pwd=secret", ""}) {
        const auto e = raisedError([&] { ws->OpenDatabase(QStringLiteral("/data/locked.mdb"), false, true, QLatin1String(connect)); });
        EXPECT_EQ(e.number(), errors::NotValidDbPassword) << connect;
    }
    EXPECT_EQ(engine->Errors().Count(), 1);
    EXPECT_EQ(engine->Errors().Item(0).Number, errors::NotValidDbPassword);
    EXPECT_TRUE(ws->OpenDatabase(QStringLiteral("/data/locked.mdb"), false, true, QStringLiteral(";PWD=se;cret")));
    EXPECT_EQ(raisedError([&] { ws->OpenDatabase(QStringLiteral("/data/none.mdb"), false, true, {}); }).number(),
              errors::FileNotFound);
}

TEST_F(MemoryEngineTest, WorkgroupLogin)
{
    EXPECT_TRUE(engine->CreateWorkspace(QStringLiteral("temp"), QStringLiteral("Admin"), {}));
    EXPECT_EQ(raisedError([&] { engine->CreateWorkspace("temp", "Clerk", {}); }).number(), errors::NotValidAccount);
    EXPECT_EQ(raisedError([&] { engine->CreateWorkspace("temp", "admin", "pw"); }).number(), errors::NotValidAccount);
    engine->setSystemDB(QStringLiteral("/data/unknown.mdw"));
    EXPECT_EQ(raisedError([&] { engine->CreateWorkspace("temp", "admin", {}); }).number(), errors::WorkgroupUnusable);
    engine->addWorkgroup(QStringLiteral("/data/shop.mdw"), {QStringLiteral("admin"), QStringLiteral("Clerk")});
    engine->setSystemDB(QStringLiteral("/data/shop.mdw"));
    auto ws = engine->CreateWorkspace(QStringLiteral("temp"), QStringLiteral("CLERK"), QStringLiteral("pw"));
    EXPECT_EQ(ws->Name(), QStringLiteral("temp"));
    EXPECT_TRUE(ws->OpenDatabase(QStringLiteral("/data/shop.mdb"), false, true, QStringLiteral(";pwd=")));
    EXPECT_EQ(raisedError([&] { engine->CreateWorkspace("temp", "nobody", {}); }).number(), errors::NotValidAccount);
}

TEST_F(MemoryEngineTest, InjectedFaultsFailTheNamedMemberAndFillErrors)
{
    engine->faults().inject(QStringLiteral("Database.ReplicaID"), errors::NotReplica, {}, 1);
    engine->faults().inject(QStringLiteral("TableDef[Order Details].Fields"), errors::NoReadDefinitions);
    auto db = openShop();

    const auto replica = raisedError([&] { db->ReplicaID(); });
    EXPECT_EQ(replica.number(), errors::NotReplica);
    EXPECT_EQ(replica.source(), QStringLiteral("DAO.Database"));
    EXPECT_EQ(replica.description(), QStringLiteral("The database '/data/shop.mdb' isn't replicable."));
    EXPECT_EQ(db->ReplicaID(), QString()) << "a fault planned once fails once";

    EXPECT_NO_THROW(db->TableDefs().Item(0)->Fields());
    const auto fields = raisedError([&] { db->TableDefs().Item(1)->Fields(); });
    EXPECT_EQ(fields.number(), errors::NoReadDefinitions);
    EXPECT_TRUE(fields.description().contains(QStringLiteral("'Order Details'")));
    EXPECT_EQ(engine->Errors().Count(), 1);
    EXPECT_EQ(engine->Errors().Item(0).Number, errors::NoReadDefinitions);
}

TEST_F(MemoryEngineTest, SeveralErrorEntriesRaiseTheLast)
{
    engine->faults().inject(QStringLiteral("Workspace.OpenDatabase"),
                            {engineError(0, QStringLiteral("[Driver] login failed"), QStringLiteral("ODBC")),
                             engineError(0, QStringLiteral("[Manager] no server"), QStringLiteral("ODBC")),
                             engineError(errors::OdbcConnectFailed, engineErrorText(errors::OdbcConnectFailed, "x"))});
    const auto e = raisedError([&] { openShop(); });
    EXPECT_EQ(e.number(), errors::OdbcConnectFailed);
    ASSERT_EQ(engine->Errors().Count(), 3);
    EXPECT_EQ(engine->Errors().Item(0).Description, QStringLiteral("[Driver] login failed"));
    EXPECT_EQ(engine->Errors().Item(2).Number, errors::OdbcConnectFailed);
    EXPECT_EQ(raisedError([&] { engine->Errors().Item(3); }).number(), errors::ItemNotFound);
    // A later failure replaces the list; success leaves it alone.
    engine->faults().clear();
    openShop();
    EXPECT_EQ(engine->Errors().Count(), 3);
    engine->faults().inject(QStringLiteral("DBEngine.CreateWorkspace"), errors::NoPermission);
    EXPECT_EQ(raisedError([&] { engine->CreateWorkspace("t", "admin", {}); }).number(), errors::NoPermission);
    EXPECT_EQ(engine->Errors().Count(), 1);
}

TEST_F(MemoryEngineTest, CallsAreLoggedWithTheirArguments)
{
    openShop(QStringLiteral(";pwd=abc"));
    engine->setSystemDB(QStringLiteral("/x.mdw"));
    ASSERT_EQ(engine->faults().callCount(QStringLiteral("Workspace.OpenDatabase")), 1);
    const auto &calls = engine->faults().calls();
    const auto open = std::find_if(calls.begin(), calls.end(), [](const testsupport::FaultPlan::Call &c) {
        return c.member == QStringLiteral("Workspace.OpenDatabase");
    });
    ASSERT_NE(open, calls.end());
    EXPECT_EQ(open->arguments, (QStringList{"/data/shop.mdb", "False", "True", ";pwd=abc"}));
    EXPECT_EQ(engine->faults().callCount(QStringLiteral("DBEngine.setSystemDB")), 1);
}

TEST_F(MemoryEngineTest, ClosingEndsTheDatabaseButNotTheDefaultWorkspace)
{
    auto db = openShop();
    db->Close();
    EXPECT_NO_THROW(db->Close());
    EXPECT_EQ(raisedError([&] { db->Name(); }).number(), errors::ObjectInvalid);
    auto ws = engine->Workspaces(0);
    ws->Close();
    EXPECT_TRUE(openShop());

    auto temp = engine->CreateWorkspace(QStringLiteral("temp"), QStringLiteral("admin"), {});
    auto inTemp = temp->OpenDatabase(QStringLiteral("/data/shop.mdb"), false, true, {});
    temp->Close();
    EXPECT_EQ(raisedError([&] { inTemp->TableDefs(); }).number(), errors::ObjectInvalid);
    EXPECT_EQ(raisedError([&] { temp->OpenDatabase("/data/shop.mdb", false, true, {}); }).number(),
              errors::ObjectInvalid);
}

TEST(SnapshotFiles, OpenThroughBothEngines)
{
    QTemporaryDir dir;
    const QString path = writeSnapshot(dir, "shop snapshot.JSON", sampleModel());
    ASSERT_FALSE(path.isEmpty());

    MemoryEngine memory;
    auto db = memory.Workspaces(0)->OpenDatabase(path, false, true, QStringLiteral(";pwd="));
    EXPECT_EQ(db->Name(), path);
    EXPECT_EQ(db->TableDefs().Count(), 3);

    installDBEngine(nullptr);
    auto real = dbEngine().Workspaces(0)->OpenDatabase(path, false, true, QStringLiteral(";pwd="));
    EXPECT_EQ(real->TableDefs().Item(0)->Fields().Item(1)->ValidationRule(), QStringLiteral("Like \"A*\""));

    const auto missing = raisedError([&] { dbEngine().Workspaces(0)->OpenDatabase(dir.filePath("none.json"), false, true, {}); });
    EXPECT_EQ(missing.number(), errors::FileNotFound);

    const QString bad = dir.filePath(QStringLiteral("bad.json"));
    QFile badFile(bad);
    ASSERT_TRUE(badFile.open(QIODevice::WriteOnly));
    badFile.write(R"({"format":"tabulo-schema","tables":[{"fields":3}]})");
    badFile.close();
    const auto corrupt = raisedError([&] { dbEngine().Workspaces(0)->OpenDatabase(bad, false, true, {}); });
    EXPECT_EQ(corrupt.number(), errors::FormatNotRecognised);
    EXPECT_TRUE(corrupt.description().contains(bad));
    EXPECT_TRUE(corrupt.description().contains(QStringLiteral("tables[0].fields: not a list")));
    EXPECT_EQ(dbEngine().Errors().Item(0).Number, errors::FormatNotRecognised);
}

TEST(SnapshotFiles, DesignPropertiesComeBackThroughASnapshotFile)
{
    QTemporaryDir dir;
    const QString path = writeSnapshot(dir, "design.json", designModel());
    ASSERT_FALSE(path.isEmpty());

    installDBEngine(nullptr);
    auto db = dbEngine().Workspaces(0)->OpenDatabase(path, false, true, QStringLiteral(";pwd="));
    const auto customers = db->TableDefs().Item(0);
    EXPECT_EQ(customers->ValidationRule(), QStringLiteral("[Name] <> \"\" Or [CustomerID] > 100"));
    EXPECT_EQ(customers->Indexes().Item(0)->Fields().Item(0)->Attributes(), dbDescending);
    const std::shared_ptr<Field> nameField = customers->Fields().Item(1);
    const Properties &lookup = nameField->Properties();
    EXPECT_EQ(lookup.Item(3)->Value(), QVariant(QStringLiteral("SELECT [Name] FROM [Customers]\r\n"
                                                               "WHERE [Name] Like \"A*\" ORDER BY [Name];")));
    const Properties &own = customers->Properties();
    const schema::Database model = designModel();
    ASSERT_EQ(own.Count(), model.tables[0].properties.size());
    for (int k = 0; k < own.Count(); ++k) {
        const schema::Property &expected = model.tables[0].properties[k];
        EXPECT_EQ(own.Item(k)->Name(), expected.name);
        EXPECT_EQ(own.Item(k)->Type(), expected.type);
        EXPECT_EQ(own.Item(k)->Value().metaType(), expected.value.metaType()) << expected.name.toStdString();
        if (expected.name != QLatin1String("NotANumber")) {
            EXPECT_EQ(own.Item(k)->Value(), expected.value) << expected.name.toStdString();
        }
    }
}

TEST(EngineInstall, InstalledEngineIsTheLibrarysEngine)
{
    auto engine = std::make_shared<MemoryEngine>();
    installDBEngine(engine);
    EXPECT_EQ(&dbEngine(), engine.get());
    installDBEngine(nullptr);
    EXPECT_NE(&dbEngine(), engine.get());
}
