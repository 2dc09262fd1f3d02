// What ACE (.accdb) files add to a table's design, read from the real files
// and compared with what mdbtools shows in them (mdb-ver, mdb-schema,
// mdb-prop, mdb-export MSysComplexColumns).
#include "TestPaths.h"

#include "reader/jetfile/AceHeader.h"
#include "reader/jetfile/PropertyValue.h"
#include "reader/AceDesign.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>

using namespace reader;
using Kind = ace::FieldDesign::Kind;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes firstBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.read(jetfile::AceHeaderBytes);
    return Bytes(data.begin(), data.end());
}

// One ACE file opened as the reader opens it, with its catalogue and complex columns.
struct AceFile {
    explicit AceFile(const char *name)
    {
        const std::string path = testDataPath(QLatin1String(name)).toStdString();
        std::string problem;
        const auto header = readHeader(path, problem);
        if (header)
            mdb = openJet(path, *header);
        if (mdb) {
            catalogue = std::make_unique<Catalogue>(mdb.get());
            read = catalogue->read();
            complex = ace::readComplexColumns(mdb.get(), *catalogue);
        }
    }

    // The design of a local table, or nothing when it cannot be read.
    std::optional<ace::TableDesign> table(const std::string &name, jetfile::TableDefinition *out = nullptr) const
    {
        if (!catalogue)
            return std::nullopt;
        for (const Catalogue::Table &t : catalogue->tables()) {
            if (t.name != name || !t.entry)
                continue;
            const auto page = std::uint32_t(t.entry->table_pg);
            std::string problem;
            const auto definition = readDefinition(mdb.get(), page, jetfile::Format::Ace, problem);
            if (!definition)
                return std::nullopt;
            if (out)
                *out = *definition;
            return ace::describeTable(mdb.get(), page, *definition, t.properties, complex);
        }
        return std::nullopt;
    }

    MdbPtr mdb;
    std::unique_ptr<Catalogue> catalogue;
    bool read = false;
    ace::ComplexColumns complex;
};

const ace::FieldDesign *field(const ace::TableDesign &design, const std::string &name)
{
    for (const ace::FieldDesign &f : design.fields) {
        if (f.name == name)
            return &f;
    }
    return nullptr;
}

int count(const ace::TableDesign &design, Kind kind)
{
    return int(std::count_if(design.fields.begin(), design.fields.end(),
                             [&](const ace::FieldDesign &f) { return f.kind == kind; }));
}

}  // namespace

TEST(AceHeader, GenerationsAndEncryptionOfRealFiles)
{
    TABULO_NEED_TESTDATA();
    using G = jetfile::AceGeneration;
    const struct {
        const char *file;
        G generation;
        bool encrypted;
        int major, minor;
    } cases[] = {
        {"ace-2007.accdb", G::Ace12, false, 0, 0},
        {"ace14-complex-fields.accdb", G::Ace14, false, 0, 0},
        {"ace16-large-number.accdb", G::Ace16, false, 0, 0},
        {"ace17-datetime-extended.accdb", G::Ace17, false, 0, 0},
        {"ace14-encrypted-standard.accdb", G::Ace14, true, 4, 2},
        {"ace14-encrypted-agile.accdb", G::Ace14, true, 4, 4},
    };
    for (const auto &c : cases) {
        std::string problem;
        const auto header = jetfile::parseAceHeader(firstBytes(testDataPath(QLatin1String(c.file))), &problem);
        ASSERT_TRUE(header) << c.file << ": " << problem;
        EXPECT_EQ(header->generation, c.generation) << c.file;
        EXPECT_EQ(header->encrypted, c.encrypted) << c.file;
        EXPECT_EQ(header->encryptionMajor, c.major) << c.file;
        EXPECT_EQ(header->encryptionMinor, c.minor) << c.file;
    }
    EXPECT_EQ(jetfile::aceVersion(G::Ace17), 17);

    std::string problem;
    EXPECT_FALSE(jetfile::parseAceHeader(firstBytes(testDataPath(QStringLiteral("northwind.mdb"))), &problem));
    EXPECT_EQ(problem, "not an ACE database");
    Bytes newer = firstBytes(testDataPath(QStringLiteral("ace-2007.accdb")));
    newer[0x14] = 7;
    EXPECT_FALSE(jetfile::parseAceHeader(newer, &problem));
    EXPECT_EQ(problem, "an ACE version this program does not know (7)");
    newer.resize(0x40);
    EXPECT_FALSE(jetfile::parseAceHeader(newer, &problem));
}

// The complex id at offset 11 of a column entry, which libmdb does not hand out.
TEST(AceDesign, ColumnEntriesCarryComplexIds)
{
    TABULO_NEED_TESTDATA();
    const AceFile complex("ace14-complex-fields.accdb");
    ASSERT_TRUE(complex.read);
    jetfile::TableDefinition definition;
    ASSERT_TRUE(complex.table("Table1", &definition));
    std::vector<std::int32_t> ids;
    for (const jetfile::ColumnEntry &c : definition.columns)
        ids.push_back(c.complexId);
    EXPECT_EQ(ids, (std::vector<std::int32_t>{0, 2, 0, 0, 3, 4}));
}

// mdb-export FILE MSysComplexColumns, joined with MSysObjects by hand.
TEST(AceDesign, ComplexColumnsJoinTheirTemplates)
{
    TABULO_NEED_TESTDATA();
    const AceFile file("ace14-complex-fields.accdb");
    ASSERT_EQ(file.complex.columns.size(), 4u);
    const ace::ComplexColumn *history = file.complex.find(2);
    ASSERT_TRUE(history);
    EXPECT_EQ(history->tablePage, 109u);
    EXPECT_EQ(history->templateName, "MSysComplexTypeVH_7B4A12A4BE0B4564884754E9E31577B2");
    EXPECT_TRUE(history->versionHistory);
    const ace::ComplexColumn *multi = file.complex.find(109, "Multi-Value-Data");
    ASSERT_TRUE(multi);
    EXPECT_EQ(multi->complexId, 3);
    EXPECT_EQ(multi->daoType, dao::dbComplexText);
    EXPECT_EQ(multi->textSize, 255);
    EXPECT_EQ(file.complex.find(4)->daoType, dao::dbAttachment);
    // MSysResources' Data column is an attachment too.
    EXPECT_EQ(file.complex.find(104, "Data")->daoType, dao::dbAttachment);
    EXPECT_FALSE(file.complex.find(5));

    // The flat table's Value column is of a type no DAO constant names
    // (0x48); the template still says multi-valued text.
    const AceFile unknown("ace12-unknown-types.accdb");
    const ace::ComplexColumn *odd = unknown.complex.find(65, "UnknownComplex");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->daoType, dao::dbComplexText);
    EXPECT_EQ(odd->textSize, 255);

    // A Jet file has no MSysComplexColumns.
    const AceFile jet("northwind.mdb");
    ASSERT_TRUE(jet.read);
    EXPECT_TRUE(jet.complex.columns.empty());
}

TEST(AceDesign, FieldKindsOfEachFile)
{
    TABULO_NEED_TESTDATA();
    // Per file and table: plain, complex, version-history, calculated and
    // unnamed fields, and the indexes behind complex columns.
    const struct {
        const char *file, *table;
        int plain, complex, history, calculated, unnamed, engineIndexes;
    } cases[] = {
        {"ace-2007.accdb", "Table1", 9, 0, 0, 0, 0, 0},
        {"ace14-types.accdb", "Table2", 89, 0, 0, 0, 0, 0},
        {"ace14-complex-fields.accdb", "Table1", 3, 2, 1, 0, 0, 3},
        {"ace14-calculated-fields.accdb", "Table1", 6, 0, 0, 11, 0, 0},
        {"ace12-attachments.accdb", "Table1", 2, 1, 0, 0, 0, 1},
        {"ace12-unknown-types.accdb", "Test", 1, 1, 0, 0, 2, 1},
        {"ace16-large-number.accdb", "Table", 2, 0, 0, 0, 0, 0},
        {"ace17-datetime-extended.accdb", "Table1", 5, 0, 0, 1, 0, 0},
    };
    for (const auto &c : cases) {
        const AceFile file(c.file);
        const auto design = file.table(c.table);
        ASSERT_TRUE(design) << c.file;
        EXPECT_EQ(count(*design, Kind::Plain), c.plain) << c.file;
        EXPECT_EQ(count(*design, Kind::Complex), c.complex) << c.file;
        EXPECT_EQ(count(*design, Kind::VersionHistory), c.history) << c.file;
        EXPECT_EQ(count(*design, Kind::Calculated), c.calculated) << c.file;
        EXPECT_EQ(count(*design, Kind::Unnamed), c.unnamed) << c.file;
        EXPECT_EQ(int(design->engineIndexes.size()), c.engineIndexes) << c.file;
    }
}

TEST(AceDesign, ComplexAppendOnlyAndNewTypes)
{
    TABULO_NEED_TESTDATA();
    const AceFile complex("ace14-complex-fields.accdb");
    const auto table1 = complex.table("Table1");
    ASSERT_TRUE(table1);
    EXPECT_EQ(field(*table1, "multi-value-data")->daoType, dao::dbComplexText);
    EXPECT_EQ(field(*table1, "multi-value-data")->daoSize, 255);
    EXPECT_EQ(field(*table1, "attach-data")->daoType, dao::dbAttachment);
    // Stored 0x07: fixed, nullable and auto-increment.
    EXPECT_EQ(field(*table1, "attach-data")->flags, jetfile::columnflag::Fixed | jetfile::columnflag::Nullable);
    EXPECT_EQ(field(*table1, "VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880")->kind, Kind::VersionHistory);
    EXPECT_TRUE(field(*table1, "append-memo-data")->appendOnly);
    EXPECT_FALSE(field(*table1, "memo-data")->appendOnly);
    EXPECT_EQ(table1->engineIndexes,
              (std::vector<std::string>{"attach-data_071D71EDD53D45A1A9089929F06857D9",
                                        "multi-value-data_F4C67B0F60124C1989D5583C00CF76E2",
                                        "VersionHistory_F5F8918F-0A3F-4D_6E54CCBB170741DD8FD837271ED8B90C"}));

    // The attachment was renamed: its index keeps the first name.
    const AceFile attachments("ace12-attachments.accdb");
    const auto renamed = attachments.table("Table1");
    ASSERT_TRUE(renamed);
    EXPECT_EQ(field(*renamed, "Attachments")->daoType, dao::dbAttachment);
    EXPECT_EQ(renamed->engineIndexes, std::vector<std::string>{"Field1_B649D85014354490BB4AD3B5AB75A5A4"});

    const AceFile unknown("ace12-unknown-types.accdb");
    const auto test = unknown.table("Test");
    ASSERT_TRUE(test);
    EXPECT_EQ(field(*test, "UnknownVar")->storageType, 0x46);
    EXPECT_EQ(field(*test, "UnknownFix")->storageType, 0x47);

    const AceFile large("ace16-large-number.accdb");
    const auto numeric = large.table("Table");
    ASSERT_TRUE(numeric);
    EXPECT_EQ(field(*numeric, "Numeric")->daoType, dao::dbBigInt);
    EXPECT_EQ(field(*numeric, "Numeric")->daoSize, 8);

    const AceFile extended("ace17-datetime-extended.accdb");
    const auto dates = extended.table("Table1");
    ASSERT_TRUE(dates);
    EXPECT_EQ(field(*dates, "DateExt")->daoType, dao::dbDateTimeExtended);
    EXPECT_EQ(field(*dates, "DateNormalCalc")->daoType, dao::dbDate);
    EXPECT_EQ(field(*dates, "DateNormalCalc")->expression, "[DateNormal]");
}

// mdb-prop ace14-calculated-fields.accdb Table1: Expression and ResultType.
// The stored type differs from the result for IsRich, AllNames, WeeklySalary and FloatTest.
TEST(AceDesign, CalculatedFieldsTakeTheirResultType)
{
    TABULO_NEED_TESTDATA();
    const struct {
        const char *name;
        int type, size;
        const char *expression;
    } cases[] = {
        {"LastFirst", dao::dbText, 243, "[LastName] & \", \" & [FirstName]"},
        {"MonthlySalary", dao::dbCurrency, 8, "[Salary]/12"},
        {"IsRich", dao::dbBoolean, 1, "[Salary]>100000"},
        {"AllNames", dao::dbMemo, 0, "[LastName] & \", \" & [FirstName] & \"=\" & [LastFirst]"},
        {"WeeklySalary", dao::dbDecimal, 16, "[Salary]/52"},
        {"BoolTest", dao::dbBoolean, 1, "True"},
        {"FloatTest", dao::dbSingle, 4, "[Salary]*0.13/[DecimalTest]"},
    };
    const AceFile file("ace14-calculated-fields.accdb");
    const auto design = file.table("Table1");
    ASSERT_TRUE(design);
    for (const auto &c : cases) {
        const ace::FieldDesign *f = field(*design, c.name);
        ASSERT_TRUE(f) << c.name;
        EXPECT_EQ(f->kind, Kind::Calculated) << c.name;
        EXPECT_EQ(f->daoType, c.type) << c.name;
        EXPECT_EQ(f->daoSize, c.size) << c.name;
        EXPECT_EQ(f->expression, c.expression) << c.name;
    }
    // Not calculated, though Access wrote ResultType 0 on it.
    EXPECT_EQ(field(*design, "Popularity")->kind, Kind::Plain);
    EXPECT_EQ(field(*design, "Popularity")->daoType, dao::dbDecimal);
}

TEST(AceDesign, WhatTheEngineMakesItself)
{
    TABULO_NEED_TESTDATA();
    const AceFile file("ace14-complex-fields.accdb");
    ASSERT_TRUE(file.read);
    std::vector<std::string> engine;
    for (const Catalogue::Table &t : file.catalogue->tables()) {
        if (ace::isEngineTable(t.name))
            engine.push_back(t.name);
    }
    // mdb-tables -S: the complex column list, 9 templates, 2 version
    // history templates and 4 flat tables.
    EXPECT_EQ(engine.size(), 16u);
    EXPECT_TRUE(ace::isEngineTable("f_3B07F994AD0A4B56A3A1E13B3A1D3B70_attach-data"));
    EXPECT_FALSE(ace::isEngineTable("f_3B07F994AD0A4B56A3A1E13B3A1D3B7G_attach-data"));
    EXPECT_FALSE(ace::isEngineTable("f_orders"));
    EXPECT_FALSE(ace::isEngineTable("MSysObjects"));

    EXPECT_TRUE(ace::isEngineProperty("fcminreadver"));
    EXPECT_FALSE(ace::isEngineProperty("Expression"));
}
