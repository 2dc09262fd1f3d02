// The module written with IncludeDesignProperties for every shared sample
// file, Jet and ACE, read back line by line: each further property of every
// chosen table and written field once, with the value the engine serves and
// mdb-prop (mdbtools) prints, each descending key, table validation rule and
// Decimal's precision and scale, nothing else added, and every line within
// Basic's 1,023 characters.

#include "BasicEvaluator.h"
#include "FakeUi.h"
#include "MdbProp.h"
#include "QtPrinting.h"
#include "TestPaths.h"
#include "wizard/generator/basDAOFunctions.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/generator/GeneratorSettings.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// One SetDesignProperty line, or one property the engine serves.
struct DesignValue {
    QString table;
    QString field;      // empty for the table's own
    QString name;
    int type = 0;
    QVariant value;

    QString key() const { return table + u'|' + field + u'|' + name; }
};

// A value in a form that tells every value of its C++ type apart.
QString exactText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Float: return QString::number(value.toFloat(), 'g', 9);
    case QMetaType::Double: return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QByteArray: return QString::fromLatin1(value.toByteArray().toHex());
    default: return QString::fromLatin1(value.typeName()) + u':' + value.toString();
    }
}

QString describe(const DesignValue &v)
{
    return v.key() + QStringLiteral("|%1|").arg(v.type) + exactText(v.value);
}

// What a module written with design properties holds of them.
struct ModuleDesign {
    QList<DesignValue> properties;          // in module order
    QStringList leftOut;                    // "table|comment"
    QSet<QString> descending;               // "table|index|field"
    QMap<QString, QString> validationRules; // by table
    QMap<QString, QString> validationTexts;
    QStringList decimals;                   // "table|field|precision|scale", in module order
    qsizetype longestLine = 0;
};

// The arguments of a statement, split at the commas outside quotes and
// parentheses.
QStringList arguments(const QString &text)
{
    QStringList result;
    QString current;
    int depth = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'(')
            ++depth;
        else if (!quoted && c == u')')
            --depth;
        if (!quoted && depth == 0 && text.mid(i, 2) == QLatin1StringView(", ")) {
            result.append(current);
            current.clear();
            ++i;
            continue;
        }
        current += c;
    }
    result.append(current);
    return result;
}

int typeCode(const QString &constant)
{
    for (int code = 1; code < 32; ++code) {
        if (tabulo::FieldTypeAsText(code) == constant)
            return code;
    }
    ADD_FAILURE() << "no type " << constant.toStdString();
    return 0;
}

// The text inside `head` ... `)` of `text`, evaluated as a string.
QString nameIn(const QString &text, const QString &head)
{
    return evaluateBasicString(text.mid(head.size()).chopped(1));
}

ModuleDesign readModule(const QString &module)
{
    ModuleDesign design;
    for (const QString &line : module.split(QLatin1StringView("\r\n")))
        design.longestLine = std::max(design.longestLine, line.size());

    const QString fieldTarget = QStringLiteral("tdfNew.Fields(");
    QString table, indexTable, index, keyField;
    QString assembled;   // the value strPropertyValue holds
    QMap<QString, QString> *rules = nullptr;
    for (const QString &statement : statements(module)) {
        const QString s = statement.trimmed();
        const auto starts = [&s](const char *head) { return s.startsWith(QLatin1StringView(head)); };
        if (starts("Set tdfNew = dbNew.CreateTableDef(")) {
            table = nameIn(s, QStringLiteral("Set tdfNew = dbNew.CreateTableDef("));
        } else if (starts("Set tdf = dbNew.TableDefs(")) {
            indexTable = nameIn(s, QStringLiteral("Set tdf = dbNew.TableDefs("));
        } else if (starts("Set indxNew = tdf.CreateIndex(")) {
            index = nameIn(s, QStringLiteral("Set indxNew = tdf.CreateIndex("));
        } else if (starts("Set fldNew = indxNew.CreateField(")) {
            keyField = nameIn(s, QStringLiteral("Set fldNew = indxNew.CreateField("));
        } else if (s == QLatin1StringView("fldNew.Attributes = dbDescending")) {
            design.descending.insert(indexTable + u'|' + index + u'|' + keyField);
        } else if (starts("strPropertyValue = ")) {
            const QString again = QStringLiteral("strPropertyValue = strPropertyValue & ");
            assembled = s.startsWith(again) ? assembled + evaluateBasicString(s.mid(again.size()))
                                            : evaluateBasicString(s.mid(19));
        } else if (starts("tdfNew.ValidationRule = ") || starts("tdfNew.ValidationText = ")) {
            rules = starts("tdfNew.ValidationRule") ? &design.validationRules : &design.validationTexts;
            const QString property = s.section(u' ', 0, 0);
            const QString again = property + QStringLiteral(" = ") + property + QStringLiteral(" & ");
            (*rules)[table] = s.startsWith(again) ? (*rules)[table] + evaluateBasicString(s.mid(again.size()))
                                                  : evaluateBasicString(s.mid(property.size() + 3));
        } else if (starts("ExecuteJetSql dbNew, ")) {
            // The statement that gives a Decimal its precision and scale.
            static const QRegularExpression alter(QStringLiteral(
                "^ALTER TABLE \\[([^\\]]+)\\] ALTER COLUMN \\[([^\\]]+)\\] DECIMAL\\(([0-9]+), ([0-9]+)\\)$"));
            const QRegularExpressionMatch m = alter.match(evaluateBasicString(s.mid(21)));
            EXPECT_TRUE(m.hasMatch()) << s.toStdString();
            EXPECT_EQ(m.captured(1), table) << s.toStdString();
            design.decimals.append(QStringList(m.capturedTexts().mid(1)).join(u'|'));
        } else if (starts("'Left out: property ")) {
            design.leftOut.append(table + u'|' + s);
        } else if (starts("SetDesignProperty ")) {
            const QStringList args = arguments(s.mid(18));
            EXPECT_EQ(args.size(), 4) << s.toStdString();
            if (args.size() != 4)
                continue;
            DesignValue v;
            v.table = table;
            if (args[0] != QLatin1StringView("tdfNew")) {
                EXPECT_TRUE(args[0].startsWith(fieldTarget)) << s.toStdString();
                v.field = nameIn(args[0], fieldTarget);
            }
            v.name = evaluateBasicString(args[1]);
            v.type = typeCode(args[2]);
            v.value = args[3] == QLatin1StringView("strPropertyValue") ? QVariant(assembled)
                                                                       : evaluateBasicValue(args[3], v.type);
            design.properties.append(v);
        }
    }
    return design;
}

// The module with design properties, less everything they add: the module
// written without them.
QString withoutDesign(const QString &module)
{
    static const QRegularExpression added(QStringLiteral(
        "^ *(SetDesignProperty |'Left out: property |Dim strPropertyValue |strPropertyValue = |tdfNew\\.ValidationRule = "
        "|tdfNew\\.ValidationText = |fldNew\\.Attributes = dbDescending$)"));
    QString text = module.left(module.indexOf(QStringLiteral("\r\nPrivate Sub SetDesignProperty(")));
    QStringList kept;
    for (const QString &line : text.split(QLatin1StringView("\r\n"))) {
        if (!added.match(line).hasMatch())
            kept.append(line);
    }
    // The blank line before the first design line is left after the table's
    // last statement.
    static const QRegularExpression lastStatement(
        QStringLiteral("(TableDefs\\.Append tdfNew|ExecuteJetSql [^\r\n]*)\r\n\r\n\r\nExitProcedure:"));
    return kept.join(QLatin1StringView("\r\n"))
        .replace(lastStatement, QStringLiteral("\\1\r\n\r\nExitProcedure:"));
}

// A run of the generator on a sample file with the real Jet file engine,
// every listed table chosen, every index written (no relations).
struct SampleRun {
    QString module;
    QString moduleWithout;   // the same run without design properties
    QList<DesignValue> served;   // what the engine serves, in stored order
    QSet<QString> descending;
    QMap<QString, QString> validationRules;
    QMap<QString, QString> validationTexts;
    QStringList decimals;   // stored Decimals, "table|field|precision|scale"
};

SampleRun runOn(const QString &file)
{
    SampleRun run;
    const bool ace = file.endsWith(QLatin1StringView(".accdb"));
    tabulo::setWizardBuild(ace ? tabulo::ace120Build() : tabulo::jet40Build());
    dao::installDBEngine(nullptr);
    tabulo::clsWriteNewDatabase gen;
    FakeList available;
    FakeList chosen;
    gen.setPathNameDBSource(testDataPath(file));
    if (file.startsWith(QLatin1StringView("jet4-password")) || file.startsWith(QLatin1StringView("ace14-encrypted")))
        gen.setPasswordDBSource(QStringLiteral("password"));
    gen.setSourceTablesAvailableList(&available);
    gen.FillSourceTablesAvailableList();
    chosen.items = available.items;
    gen.setSourceTablesChosenList(&chosen);
    gen.setPathNameDBNew(QStringLiteral("Variable"));
    gen.setVarNameNewTable(QStringLiteral("tdfNew"));
    gen.setIncludeRelations(false);
    // The source's own format, as the command line chooses it: a Jet 3
    // database cannot hold a Decimal.
    const qsizetype format = tabulo::jetVersionIndexOfSource(gen.DBSourceVersion());
    EXPECT_GE(format, 0);
    gen.setVersion(tabulo::kJetVersions[std::max<qsizetype>(format, 0)].code);
    EXPECT_TRUE(gen.WriteTableCreationCode());
    run.moduleWithout = gen.ModuleText();
    gen.setIncludeDesignProperties(true);
    EXPECT_TRUE(gen.WriteTableCreationCode());
    run.module = gen.ModuleText();

    dao::TableDefs &tables = gen.DBSource()->TableDefs();
    for (int t = 0; t < tables.Count(); ++t) {
        const auto tdf = tables.Item(t);
        if (!chosen.items.contains(tdf->Name()))
            continue;
        const auto collect = [&](const dao::Properties &properties, const QString &field) {
            for (int k = 0; k < properties.Count(); ++k) {
                const auto p = properties.Item(k);
                run.served.append({tdf->Name(), field, p->Name(), p->Type(), p->Value()});
            }
        };
        collect(tdf->Properties(), {});
        for (int f = 0; f < tdf->Fields().Count(); ++f) {
            const auto field = tdf->Fields().Item(f);
            // A field no DAO type names is left out with its properties.
            if (field->StorageType() == 0)
                collect(field->Properties(), field->Name());
            if (field->Type() == dao::dbDecimal && field->Expression().isEmpty() && field->Precision() > 0)
                run.decimals.append(QStringList({tdf->Name(), field->Name(), QString::number(field->Precision()),
                                                 QString::number(field->Scale())})
                                        .join(u'|'));
        }
        for (int i = 0; i < tdf->Indexes().Count(); ++i) {
            const auto index = tdf->Indexes().Item(i);
            for (int k = 0; k < index->Fields().Count(); ++k) {
                const auto key = index->Fields().Item(k);
                if (key->Attributes() & dao::dbDescending)
                    run.descending.insert(tdf->Name() + u'|' + index->Name() + u'|' + key->Name());
            }
        }
        if (!tdf->ValidationRule().isEmpty())
            run.validationRules.insert(tdf->Name(), tdf->ValidationRule());
        if (!tdf->ValidationText().isEmpty())
            run.validationTexts.insert(tdf->Name(), tdf->ValidationText());
    }
    gen.CloseSourceDBandMDW();
    tabulo::setWizardBuild(tabulo::jet40Build());
    return run;
}

QStringList sampleFiles()
{
    return QDir(testDataFolder()).entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files,
                                            QDir::Name);
}

// Every property mdb-prop prints for a table it can describe, but for the
// members and the engine's own, is written once with the value it shows,
// and nothing else is written for that table.
void compareWithMdbProp(const QString &file, const QString &table, const ModuleDesign &design)
{
    QMap<QString, DesignValue> written;
    for (const DesignValue &v : design.properties) {
        if (v.table == table)
            written.insert(v.key(), v);
    }
    int printedCount = 0;
    for (const mdbprop::PrintedSet &set : mdbprop::printedFor(testDataPath(file), table)) {
        const QStringList &members = set.target.isEmpty() ? mdbprop::TableMembers : mdbprop::FieldMembers;
        for (const auto &[name, text] : set.values) {
            if (members.contains(name) || mdbprop::EngineMaintained.contains(name))
                continue;
            ++printedCount;
            const DesignValue v{table, set.target, name, 0, {}};
            const auto it = written.constFind(v.key());
            if (it == written.cend()) {
                ADD_FAILURE() << file.toStdString() << ": not written: " << v.key().toStdString();
                continue;
            }
            EXPECT_TRUE(mdbprop::samePrinted(it->type, it->value, text))
                << file.toStdString() << ": " << describe(*it).toStdString() << ", mdb-prop shows "
                << text.toStdString();
        }
    }
    EXPECT_EQ(written.size(), printedCount) << file.toStdString() << ":" << table.toStdString();
}

}  // namespace

TEST(DesignPropertiesFiles, EverySampleFileIsRecreatedWithItsWholeDesign)
{
    TABULO_NEED_TESTDATA();
    const bool withMdbProp = !mdbprop::program().isEmpty();
    if (!withMdbProp)
        std::printf("mdb-prop (mdbtools) is not installed: the module is compared with the engine only\n");
    const QStringList files = sampleFiles();
    ASSERT_GE(files.size(), 22);
    std::printf("%-26s %5s %7s %8s %10s %6s %9s\n", "file", "read", "written", "left out", "directions",
                "rules", "longest");
    for (const QString &file : files) {
        SCOPED_TRACE(file.toStdString());
        const SampleRun run = runOn(file);
        const ModuleDesign design = readModule(run.module);

        // Each property once, in stored order, with the value served; the
        // ones without a literal named in a comment instead.
        QStringList expected, left;
        for (const DesignValue &v : run.served) {
            const bool binary = v.value.typeId() == QMetaType::QByteArray;
            (binary ? left : expected).append(describe(v));
        }
        QStringList written;
        for (const DesignValue &v : design.properties)
            written.append(describe(v));
        EXPECT_EQ(written, expected);
        EXPECT_EQ(design.leftOut.size(), left.size()) << design.leftOut.join(u'\n').toStdString();
        EXPECT_EQ(design.descending, run.descending);
        EXPECT_EQ(design.validationRules, run.validationRules);
        EXPECT_EQ(design.validationTexts, run.validationTexts);
        EXPECT_EQ(design.decimals, run.decimals);
        EXPECT_EQ(readModule(run.moduleWithout).decimals, run.decimals);
        EXPECT_LE(design.longestLine, 1023);
        EXPECT_EQ(run.module.count(QStringLiteral("Private Sub SetDesignProperty(")), written.isEmpty() ? 0 : 1);
        // Nothing else changes.
        EXPECT_EQ(withoutDesign(run.module), run.moduleWithout);

        // mdb-prop lists the properties an ACE engine keeps itself (ResultType,
        // FCMin*Ver, AppendOnly) with the others: Jet files only.
        if (withMdbProp && !file.endsWith(QLatin1StringView(".accdb"))) {
            const mdbprop::Catalogue rows = mdbprop::catalogue(testDataPath(file));
            QSet<QString> tables;
            for (const DesignValue &v : run.served)
                tables.insert(v.table);
            for (const QString &table : tables) {
                if (rows.comparable(table))
                    compareWithMdbProp(file, table, design);
                else
                    EXPECT_NE(file, QStringLiteral("northwind.mdb")) << table.toStdString() << " not compared";
            }
        }
        std::printf("%-26s %5lld %7lld %8lld %10lld %6lld %9lld\n", qPrintable(file), qlonglong(run.served.size()),
                    qlonglong(design.properties.size()), qlonglong(design.leftOut.size()),
                    qlonglong(design.descending.size()), qlonglong(design.validationRules.size()),
                    qlonglong(design.longestLine));
    }
}

TEST(DesignPropertiesFiles, TheDescendingKeysOfAJet3FileAreWritten)
{
    TABULO_NEED_TESTDATA();
    const SampleRun run = runOn(QStringLiteral("jet3-index-codes.mdb"));
    // The file has 18 descending key columns; one is MSysModules2's, a
    // system table the wizard does not list.
    EXPECT_EQ(run.descending.size(), 17);
    EXPECT_TRUE(run.descending.contains(QStringLiteral("Table12_desc_desc|DataIndex|data1")));
    EXPECT_TRUE(run.descending.contains(QStringLiteral("Table12_desc_desc|DataIndex|data2")));
    EXPECT_TRUE(run.descending.contains(QStringLiteral("Table1_desc|PrimaryKey|name")));
    EXPECT_EQ(readModule(run.module).descending, run.descending);
    EXPECT_EQ(run.module.count(QStringLiteral("\r\n         fldNew.Attributes = dbDescending\r\n")), 17);
    EXPECT_FALSE(run.moduleWithout.contains(QStringLiteral("fldNew.Attributes = dbDescending\r\n")));
}

// A Jet 3 file's properties, each with the type the file stores it with.
TEST(DesignPropertiesFiles, AJet3FilesPropertiesKeepTheirStoredTypes)
{
    TABULO_NEED_TESTDATA();
    const SampleRun run = runOn(QStringLiteral("jet3-types.mdb"));
    const QString procedure = run.module.section(QStringLiteral("Private Sub subCreate_Table1("), 1, 1)
                                  .section(QStringLiteral("End Sub"), 0, 0);
    for (const char *line : {
             "   SetDesignProperty tdfNew, \"OrderByOn\", dbBoolean, False\r\n",
             "   SetDesignProperty tdfNew, \"DefaultView\", dbByte, 2\r\n",
             "   SetDesignProperty tdfNew.Fields(\"A\"), \"ColumnWidth\", dbInteger, -1\r\n",
             "   SetDesignProperty tdfNew.Fields(\"A\"), \"UnicodeCompression\", dbBoolean, True\r\n",
             "   SetDesignProperty tdfNew.Fields(\"C\"), \"DecimalPlaces\", dbByte, 255\r\n",
             "   SetDesignProperty tdfNew.Fields(\"H\"), \"Format\", dbText, \"$#,##0.00;($#,##0.00)\"\r\n",
             "   SetDesignProperty tdfNew.Fields(\"I\"), \"Format\", dbText, \"Yes/No\"\r\n",
         })
        EXPECT_TRUE(procedure.contains(QString::fromLatin1(line))) << line;
    // The table's own lines come first, then its fields' in field order.
    EXPECT_LT(procedure.indexOf(QStringLiteral("tdfNew, \"DefaultView\"")), procedure.indexOf(QStringLiteral("Fields(\"A\")")));
    EXPECT_LT(procedure.lastIndexOf(QStringLiteral("Fields(\"A\")")), procedure.indexOf(QStringLiteral("Fields(\"B\")")));
}
