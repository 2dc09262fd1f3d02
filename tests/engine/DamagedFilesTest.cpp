// Damaged files through the Jet file engine, which runs the reader program
// as the window does, here with a tenth of its usual memory: what libmdb
// cannot read costs only that, with one warning naming the file.
#include "EngineFixtures.h"
#include "SampleFiles.h"

#include "wizard/engine/JetEngine.h"

using namespace dao;
using namespace Qt::StringLiterals;

namespace {

class DamagedFiles : public ::testing::Test {
protected:
    void SetUp() override { TABULO_NEED_TESTDATA(); }

    std::shared_ptr<Database> open(const QString &name)
    {
        JetFileReaderSettings settings;
        settings.memoryLimitBytes = 100 * 1024 * 1024;
        m_engine = std::make_unique<JetEngine>(JetFileReader(settings));
        return m_engine->Workspaces(0)->OpenDatabase(testDataPath(name), false, true, {});
    }

    std::unique_ptr<JetEngine> m_engine;
};

// The design properties of a table and its fields.
int propertyCount(Database &db, const QString &table)
{
    const auto t = samples::table(db, table);
    int count = t->Properties().Count();
    for (int i = 0; i < t->Fields().Count(); ++i)
        count += t->Fields().Item(i)->Properties().Count();
    return count;
}

}  // namespace

TEST_F(DamagedFiles, UnreadableRelationshipsCostOnlyTheRelationships)
{
    const QString name = u"damaged/relations-null-usage-map.mdb"_s;
    const auto damaged = open(name);
    EXPECT_EQ(samples::userTables(*damaged), samples::userTables(*samples::openSample("jet4-index.mdb")));
    EXPECT_EQ(damaged->Relations().Count(), 0);
    EXPECT_EQ(damaged->Warnings(), QStringList{u"'"_s + testDataPath(name)
                                               + u"': the relationships could not be read (the table "
                                                 "MSysRelationships is damaged); the module recreates neither "
                                                 "them nor the indexes of their foreign keys."_s});
}

TEST_F(DamagedFiles, ALoopingPropertyChainCostsOnlyThatTablesProperties)
{
    const QString name = u"damaged/property-chain-loop.mdb"_s;
    const auto damaged = open(name);
    const auto whole = samples::openSample("northwind-variant.mdb");
    EXPECT_EQ(damaged->Warnings(), QStringList{u"'"_s + testDataPath(name)
                                               + u"': the properties of table \"Orders\" and its fields could not "
                                                 "be read (its chain of long-value pages loops); the module leaves "
                                                 "them out."_s});
    EXPECT_EQ(propertyCount(*damaged, u"Orders"_s), 0);
    EXPECT_EQ(propertyCount(*damaged, u"Customers"_s), propertyCount(*whole, u"Customers"_s));
    EXPECT_GT(propertyCount(*whole, u"Customers"_s), 0);
}
