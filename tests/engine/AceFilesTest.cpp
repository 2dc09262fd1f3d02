// ACE (.accdb) files read through the engine as the ACE build reads them:
// every user field with its DAO type, size, expression, append-only flag
// and multi-valued kind, and nothing the engine makes for itself. The
// expectations are what mdb-schema, mdb-prop and
// `mdb-export FILE MSysComplexColumns` show for these files.
#include "EngineFixtures.h"
#include "SampleFiles.h"

#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/WizardBuild.h"

using namespace dao;

namespace {

class AceFilesTest : public ::testing::Test {
protected:
    void SetUp() override { tabulo::setWizardBuild(tabulo::ace120Build()); }
    void TearDown() override { tabulo::setWizardBuild(tabulo::jet40Build()); }

    std::shared_ptr<Database> open(const char *name)
    {
        return engine.Workspaces(0)->OpenDatabase(testDataPath(QLatin1String(name)), false, true, QString());
    }

    JetEngine engine;
};

bool isAceType(int type) { return type == 0 || type == dbBigInt || type == dbDateTimeExtended || type >= dbAttachment; }

// "Table.Field type size", with " = expression", " append-only" and
// " storage N" where they apply: the fields Jet 4 has no way to hold.
QString aceField(const QString &table, const Field &f)
{
    QString line = QStringLiteral("%1.%2 %3 %4").arg(table, f.Name()).arg(f.Type()).arg(f.Size());
    if (!f.Expression().isEmpty())
        line += QStringLiteral(" = ") + f.Expression();
    if (f.AppendOnly())
        line += QStringLiteral(" append-only");
    if (f.StorageType() != 0)
        line += QStringLiteral(" storage %1").arg(f.StorageType());
    return line;
}

struct Design {
    int tables = 0, fields = 0;
    QStringList aceFields;
};

// The user tables' design; fails the test on anything the engine makes
// for itself that shows through.
Design readDesign(Database &db)
{
    static const QStringList engineProperties = {"ResultType", "FCMinReadVer", "FCMinWriteVer", "FCMinDesignVer",
                                                 "Expression", "AppendOnly"};
    const auto noEngineProperty = [&](const Properties &properties, const QString &owner) {
        for (int i = 0; i < properties.Count(); ++i)
            EXPECT_FALSE(engineProperties.contains(properties.Item(i)->Name())) << owner.toStdString();
    };
    Design design;
    TableDefs &tables = db.TableDefs();
    for (int t = 0; t < tables.Count(); ++t) {
        const std::shared_ptr<TableDef> held = tables.Item(t);
        const TableDef &table = *held;
        EXPECT_FALSE(table.Name().startsWith(QStringLiteral("MSysComplex"))) << table.Name().toStdString();
        EXPECT_FALSE(table.Name().startsWith(QStringLiteral("f_"))) << table.Name().toStdString();
        if ((table.Attributes() & dbSystemObject) == dbSystemObject)
            continue;
        ++design.tables;
        noEngineProperty(table.Properties(), table.Name());
        QStringList complexFields;
        for (int i = 0; i < table.Fields().Count(); ++i) {
            const std::shared_ptr<Field> field = table.Fields().Item(i);
            const Field &f = *field;
            ++design.fields;
            EXPECT_FALSE(f.Name().startsWith(QStringLiteral("VersionHistory_"))) << f.Name().toStdString();
            EXPECT_FALSE(f.Attributes() & dbAutoIncrField && f.Type() >= dbAttachment) << f.Name().toStdString();
            noEngineProperty(f.Properties(), f.Name());
            if (isAceType(f.Type()) || !f.Expression().isEmpty() || f.AppendOnly())
                design.aceFields.append(aceField(table.Name(), f));
            if (f.Type() >= dbAttachment)
                complexFields.append(f.Name());
        }
        for (int i = 0; i < table.Indexes().Count(); ++i) {
            const std::shared_ptr<Index> index = table.Indexes().Item(i);
            for (int k = 0; k < index->Fields().Count(); ++k)
                EXPECT_FALSE(complexFields.contains(index->Fields().Item(k)->Name())) << index->Name().toStdString();
        }
    }
    return design;
}

}  // namespace

TEST_F(AceFilesTest, EveryFieldWithItsAceDesignAndNothingTheEngineMadeItself)
{
    TABULO_NEED_TESTDATA();
    const struct {
        const char *file;
        int tables, fields;
        QStringList aceFields;
    } files[] = {
        {"ace-2007.accdb", 4, 102, {}},
        {"ace14-types.accdb", 4, 102, {}},
        {"ace12-attachments.accdb", 1, 3, {"Table1.Attachments 101 0"}},
        {"ace12-unknown-types.accdb", 1, 4,
         {"Test.UnknownVar 0 0 storage 70", "Test.UnknownFix 0 0 storage 71", "Test.UnknownComplex 109 255"}},
        {"ace14-complex-fields.accdb", 1, 5,
         {"Table1.append-memo-data 12 0 append-only", "Table1.multi-value-data 109 255",
          "Table1.attach-data 101 0"}},
        {"ace14-calculated-fields.accdb", 1, 17,
         {"Table1.LastFirst 10 243 = [LastName] & \", \" & [FirstName]",
          "Table1.LastFirstLen 4 4 = Len([LastFirst])",
          "Table1.MonthlySalary 5 8 = [Salary]/12",
          "Table1.IsRich 1 1 = [Salary]>100000",
          "Table1.AllNames 12 0 = [LastName] & \", \" & [FirstName] & \"=\" & [LastFirst]",
          "Table1.WeeklySalary 20 16 = [Salary]/52",
          "Table1.SalaryTest 5 8 = [Salary]",
          "Table1.BoolTest 1 1 = True",
          "Table1.DecimalTest 20 16 = [Popularity]",
          "Table1.FloatTest 6 4 = [Salary]*0.13/[DecimalTest]",
          "Table1.BigNumTest 20 16 = ([Salary]*[MonthlySalary]/[DecimalTest])*34.12342134"}},
        {"ace16-large-number.accdb", 1, 2, {"Table.Numeric 16 8"}},
        {"ace17-datetime-extended.accdb", 1, 6,
         {"Table1.DateExt 26 42", "Table1.DateNormalCalc 8 8 = [DateNormal]"}},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.file);
        const std::shared_ptr<Database> db = open(file.file);
        EXPECT_EQ(db->Version(), QStringLiteral("12.0"));
        const Design design = readDesign(*db);
        EXPECT_EQ(design.tables, file.tables);
        EXPECT_EQ(design.fields, file.fields);
        EXPECT_EQ(design.aceFields, file.aceFields);
    }
}

// A stored Decimal keeps its precision and scale (mdb-schema prints
// Numeric (18, 6)); a calculated one has none: its expression gives it.
TEST_F(AceFilesTest, DecimalsKeepTheirPrecisionAndScale)
{
    TABULO_NEED_TESTDATA();
    const std::shared_ptr<Database> db = open("ace14-calculated-fields.accdb");
    const std::shared_ptr<TableDef> table = samples::table(*db, QStringLiteral("Table1"));
    const auto stored = samples::named(table->Fields(), QStringLiteral("Popularity"));
    EXPECT_EQ(stored->Precision(), 18);
    EXPECT_EQ(stored->Scale(), 6);
    const auto calculated = samples::named(table->Fields(), QStringLiteral("DecimalTest"));
    EXPECT_EQ(calculated->Type(), dbDecimal);
    EXPECT_EQ(calculated->Precision(), 0);
}

// ace14-types holds the tables of jet4-types: read from either file they
// are one design.
TEST_F(AceFilesTest, PlainAceTablesReadAsTheirJet4Twin)
{
    TABULO_NEED_TESTDATA();
    const auto render = [](Database &db) {
        QStringList lines;
        for (const QString &name : samples::userTables(db)) {
            const std::shared_ptr<TableDef> held = samples::table(db, name);
            const TableDef &table = *held;
            for (int i = 0; i < table.Fields().Count(); ++i) {
                const std::shared_ptr<Field> field = table.Fields().Item(i);
                const Field &f = *field;
                lines << QStringLiteral("%1.%2 %3 %4 %5 %6 %7 [%8]")
                             .arg(name, f.Name())
                             .arg(f.Type())
                             .arg(f.Size())
                             .arg(f.Attributes())
                             .arg(f.Required())
                             .arg(f.AllowZeroLength())
                             .arg(f.DefaultValue());
            }
            for (int i = 0; i < table.Indexes().Count(); ++i) {
                const std::shared_ptr<Index> heldIndex = table.Indexes().Item(i);
                const Index &index = *heldIndex;
                QString line = QStringLiteral("%1 index %2 %3%4:").arg(name, index.Name()).arg(index.Primary()).arg(index.Unique());
                for (int k = 0; k < index.Fields().Count(); ++k)
                    line += QLatin1Char(' ') + index.Fields().Item(k)->Name();
                lines << line;
            }
        }
        return lines;
    };
    const QStringList ace = render(*open("ace14-types.accdb"));
    const QStringList jet = render(*open("jet4-types.mdb"));
    EXPECT_GT(ace.size(), 100);
    EXPECT_EQ(ace, jet);
}

// The Jet 4.0 build refuses every ACE file as before; the ACE build asks a
// password-encrypted one for its database password.
TEST_F(AceFilesTest, EncryptedFilesNeedTheirPasswordInTheAceBuildOnly)
{
    TABULO_NEED_TESTDATA();
    for (const char *name : {"ace14-encrypted-agile.accdb", "ace14-encrypted-standard.accdb"})
        EXPECT_EQ(raisedError([&] { open(name); }).number(), errors::NotValidDbPassword) << name;
    tabulo::setWizardBuild(tabulo::jet40Build());
    for (const char *name : {"ace14-encrypted-agile.accdb", "ace14-types.accdb"})
        EXPECT_EQ(raisedError([&] { open(name); }).number(), errors::FormatNotRecognised) << name;
}
