// Damaged files through the Jet file engine, which runs the reader program
// as the window does: what libmdb cannot read costs only that, with one
// warning naming the file and what is lost, quickly and in little memory.
#include "EngineFixtures.h"
#include "SampleFiles.h"

#include "wizard/engine/JetEngine.h"

using namespace dao;
using namespace Qt::StringLiterals;

namespace {

class DamagedFiles : public ::testing::Test {
protected:
    void SetUp() override { TABULO_NEED_TESTDATA(); }

    // Opened with a tenth of the usual memory and a few seconds.
    std::shared_ptr<Database> open(const char *name)
    {
        JetFileReaderSettings settings;
        settings.memoryLimitBytes = 100 * 1024 * 1024;
        settings.timeLimitMs = 5000;
        m_engine = std::make_unique<JetEngine>(JetFileReader(settings));
        return m_engine->Workspaces(0)->OpenDatabase(testDataPath(QLatin1String(name)), false, true, {});
    }

    std::unique_ptr<JetEngine> m_engine;
};

QStringList tableNames(Database &db)
{
    QStringList names;
    for (int i = 0; i < db.TableDefs().Count(); ++i)
        names.append(db.TableDefs().Item(i)->Name());
    return names;
}

// The design properties of a table and of its fields.
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
    const auto damaged = open("damaged/relations-null-usage-map.mdb");
    const auto whole = samples::openSample("jet4-index.mdb");
    EXPECT_EQ(tableNames(*damaged), tableNames(*whole));
    EXPECT_GT(whole->Relations().Count(), 0);
    EXPECT_EQ(damaged->Relations().Count(), 0);
    EXPECT_EQ(whole->Warnings(), QStringList());
    EXPECT_EQ(damaged->Warnings(),
              QStringList{u"'"_s + testDataPath(u"damaged/relations-null-usage-map.mdb"_s)
                          + u"': the relationships could not be read (the table MSysRelationships is damaged); "
                            "the module recreates neither them nor the indexes of their foreign keys."_s});
}

TEST_F(DamagedFiles, ALoopingPropertyChainCostsOnlyThatTablesProperties)
{
    const auto damaged = open("damaged/property-chain-loop.mdb");
    const auto whole = samples::openSample("northwind-variant.mdb");
    EXPECT_EQ(tableNames(*damaged), tableNames(*whole));
    EXPECT_EQ(damaged->Relations().Count(), whole->Relations().Count());
    ASSERT_EQ(damaged->Warnings().size(), 1) << damaged->Warnings().join(u'\n').toStdString();
    EXPECT_EQ(damaged->Warnings().first(),
              u"'"_s + testDataPath(u"damaged/property-chain-loop.mdb"_s)
                  + u"': the properties of table \"Orders\" and its fields could not be read (its chain of "
                    "long-value pages loops); the module leaves them out."_s);
    EXPECT_GT(propertyCount(*whole, u"Orders"_s), 0);
    EXPECT_EQ(propertyCount(*damaged, u"Orders"_s), 0);
    for (const QString &table : {u"Customers"_s, u"Order Details"_s, u"Products"_s})
        EXPECT_EQ(propertyCount(*damaged, table), propertyCount(*whole, table)) << table.toStdString();
}
