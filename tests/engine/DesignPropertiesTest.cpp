// The design properties, table validation rules and key directions of the
// shared sample files, read through the Jet file engine and checked against
// what `mdb-prop FILE TABLE` (mdbtools) prints for every table and field.
#include "EngineFixtures.h"
#include "MdbProp.h"
#include "SampleFiles.h"

#include "reader/jetfile/PropertyBlock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <utility>

using namespace dao;
using namespace samples;
using namespace mdbprop;

namespace {

// What a file holds and what the engine serves of it.
struct Counts {
    int stored = 0;             // in the property sets of the tables and their fields
    int members = 0;            // of those, carried as members (Required, ...)
    QMap<QString, int> excluded;    // of those, the engine's own, by name
    int further = 0;            // served as design properties
    int furtherInUserTables = 0;
    int descending = 0;         // index key columns sorted descending
    int tableRules = 0;         // tables with a validation rule of their own
    QStringList notCompared;    // tables whose name another object shares
};

// Counts the stored properties of a block by what becomes of them.
void countStored(const QByteArray &bytes, jetfile::Format format, Counts &counts)
{
    const auto block = jetfile::parsePropertyBlock(
        std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())), format);
    ASSERT_TRUE(block);
    for (const jetfile::PropertySet &set : block->sets) {
        for (const jetfile::Property &p : set.properties) {
            const QString name = QString::fromStdString(block->name(p).ascii);
            ++counts.stored;
            if (EngineMaintained.contains(name))
                ++counts.excluded[name];
            else if ((set.target.empty() ? TableMembers : FieldMembers).contains(name))
                ++counts.members;
        }
    }
}

// Compares one set mdb-prop printed with the properties and members the
// engine serves for that object.
void compareSet(const PrintedSet &set, const Properties &properties, const QStringList &members,
                const std::function<QString(const QString &)> &member, const std::string &where)
{
    QStringList expected;
    for (const auto &[name, text] : set.values) {
        if (members.contains(name))
            EXPECT_EQ(member(name), text) << where << "." << name.toStdString();
        else if (!EngineMaintained.contains(name))
            expected.append(name);
    }
    QStringList served;
    for (int k = 0; k < properties.Count(); ++k) {
        const auto p = properties.Item(k);
        served.append(p->Name());
        const auto printed = std::find_if(set.values.begin(), set.values.end(),
                                          [&](const auto &v) { return v.first == p->Name(); });
        if (printed == set.values.end())
            continue;
        EXPECT_TRUE(samePrinted(p->Type(), p->Value(), printed->second))
            << where << "." << p->Name().toStdString() << ": type " << p->Type() << ", value "
            << p->Value().toString().toStdString() << ", mdb-prop shows " << printed->second.toStdString();
    }
    served.sort();
    expected.sort();
    EXPECT_EQ(served, expected) << where;
}

QString flagText(bool flag)
{
    return QLatin1String(flag ? "yes" : "no");
}

void compareTable(const QString &program, const QString &path, const TableDef &tdf, const std::string &where)
{
    const Printed printed = parsePrinted(run(program, {path, tdf.Name()}));
    EXPECT_FALSE(printed.isEmpty()) << where;
    for (const PrintedSet &set : printed) {
        if (set.target.isEmpty()) {
            compareSet(set, tdf.Properties(), TableMembers,
                       [&](const QString &name) {
                           return name == QLatin1String("ValidationRule") ? tdf.ValidationRule() : tdf.ValidationText();
                       },
                       where);
            continue;
        }
        const auto field = named(tdf.Fields(), set.target);
        const auto member = [&](const QString &name) {
            if (name == QLatin1String("Required"))
                return flagText(field->Required());
            if (name == QLatin1String("AllowZeroLength"))
                return flagText(field->AllowZeroLength());
            if (name == QLatin1String("DefaultValue"))
                return field->DefaultValue();
            return name == QLatin1String("ValidationRule") ? field->ValidationRule() : field->ValidationText();
        };
        compareSet(set, field->Properties(), FieldMembers, member, where + "." + set.target.toStdString());
    }
}

Counts compareFile(const QString &program, const char *file, const QString &password)
{
    Counts counts;
    const QString path = testDataPath(QLatin1String(file));
    auto db = openSample(file, password);
    const QStringList users = userTables(*db);
    const Catalogue rows = catalogue(path);
    EXPECT_FALSE(rows.withBlocks.isEmpty());
    const auto format = db->Version() == QLatin1String("3.0") ? jetfile::Format::Jet3 : jetfile::Format::Jet4;
    TableDefs &tables = db->TableDefs();
    for (int t = 0; t < tables.Count(); ++t) {
        const auto tdf = tables.Item(t);
        const std::string where = std::string(file) + ":" + tdf->Name().toStdString();
        for (int i = 0; i < tdf->Indexes().Count(); ++i) {
            const std::shared_ptr<Index> index = tdf->Indexes().Item(i);
            const Fields &keys = index->Fields();
            for (int k = 0; k < keys.Count(); ++k)
                counts.descending += keys.Item(k)->Attributes() == dbDescending;
        }
        counts.tableRules += !tdf->ValidationRule().isEmpty();
        int served = tdf->Properties().Count();
        for (int f = 0; f < tdf->Fields().Count(); ++f)
            served += tdf->Fields().Item(f)->Properties().Count();
        counts.further += served;
        counts.furtherInUserTables += users.contains(tdf->Name()) ? served : 0;
        if (!rows.withBlocks.contains(tdf->Name())) {
            EXPECT_EQ(served, 0) << where;
            continue;
        }
        countStored(rows.blocks[tdf->Name()], format, counts);
        if (rows.shared.contains(tdf->Name()))
            counts.notCompared.append(tdf->Name());
        else
            compareTable(program, path, *tdf, where);
    }
    return counts;
}

}  // namespace

// Every property mdb-prop shows for a table or field is served once with
// the same value and kind of type, except the engine's own (GUID, NameMap)
// and those served as members; nothing else is served. Prints, per file,
// the properties stored with tables and fields and what became of them,
// the descending key columns and the tables with a validation rule.
TEST(DesignProperties, EverySampleFileAgreesWithMdbProp)
{
    TABULO_NEED_TESTDATA();
    const QString program = QStandardPaths::findExecutable(QStringLiteral("mdb-prop"));
    if (program.isEmpty())
        GTEST_SKIP() << "mdb-prop (mdbtools) is not installed";
    const QStringList files =
        QDir(testDataPath({})).entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 11);
    std::printf("%-26s %6s %7s %-20s %7s %6s %5s %5s  %s\n", "file", "stored", "members", "excluded", "further",
                "(user)", "desc", "rules", "not compared with mdb-prop");
    Counts northwind;
    northwind.notCompared = {QStringLiteral("not read")};
    for (const QString &file : files) {
        SCOPED_TRACE(file.toStdString());
        const QString password = file.startsWith(QLatin1String("jet4-password")) ? QStringLiteral("password") : QString();
        const Counts c = compareFile(program, file.toUtf8().constData(), password);
        QStringList excluded;
        int excludedCount = 0;
        for (auto it = c.excluded.begin(); it != c.excluded.end(); ++it) {
            excluded.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
            excludedCount += it.value();
        }
        // Nothing stored goes missing on the way.
        EXPECT_EQ(c.stored, c.members + excludedCount + c.further);
        std::printf("%-26s %6d %7d %-20s %7d %6d %5d %5d  %s\n", qPrintable(file), c.stored, c.members,
                    qPrintable(excluded.join(QStringLiteral(", "))), c.further, c.furtherInUserTables, c.descending,
                    c.tableRules, qPrintable(c.notCompared.join(QStringLiteral(", "))));
        if (file == QLatin1String("northwind.mdb"))
            northwind = c;
    }
    EXPECT_TRUE(northwind.notCompared.isEmpty()) << "every table of northwind.mdb is compared";
}

namespace {

// A copy of a sample file in `dir` with each text replaced by one of the
// same length, so that no page changes its layout.
QString patchedCopy(const QTemporaryDir &dir, const char *file, const QList<QPair<QByteArray, QByteArray>> &changes)
{
    QFile original(testDataPath(QLatin1String(file)));
    if (!original.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = original.readAll();
    for (const auto &[from, to] : changes) {
        EXPECT_EQ(from.size(), to.size());
        EXPECT_TRUE(bytes.contains(from)) << from.toStdString();
        bytes.replace(from, to);
    }
    const QString path = dir.filePath(QLatin1String(file));
    QFile copy(path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size())
        return {};
    return path;
}

QByteArray utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

QVariant propertyValue(const Properties &properties, const char *name)
{
    return named(properties, QLatin1String(name))->Value();
}

QVariant fieldPropertyValue(TableDef &table, const char *field, const char *name)
{
    return propertyValue(named(table.Fields(), QLatin1String(field))->Properties(), name);
}

}  // namespace

// Text values in each form Jet stores them: Jet 3 in the file's code page
// (Windows-1252 here), Jet 4 in UTF-16 or as compressed Unicode (a 0xFF
// 0xFE mark, then one byte a character).
TEST(DesignProperties, TextsInTheFormsJetStoresThem)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    JetEngine engine;

    const QString jet3 = patchedCopy(dir, "jet3-types.mdb", {{"$#,##0.00;($#,##0.00)", "\x80 #,##0.00 f\xFCr Preis!"}});
    auto db3 = engine.Workspaces(0)->OpenDatabase(jet3, false, true, {});
    const auto table1 = table(*db3, QStringLiteral("Table1"));
    EXPECT_EQ(fieldPropertyValue(*table1, "H", "Format"), QVariant(QStringLiteral("€ #,##0.00 für Preis!")));
    EXPECT_EQ(fieldPropertyValue(*table1, "I", "Format"), QVariant(QStringLiteral("Yes/No")));

    QByteArray compressed("\xFF\xFE");
    compressed += QStringLiteral("Firmenname für Kunden!").toLatin1();
    const QString jet4 = patchedCopy(dir, "northwind.mdb", {{utf16(QStringLiteral("Customer ID")), utf16(QStringLiteral("Kürzel (ID)"))},
                                                            {utf16(QStringLiteral("Company Name")), compressed}});
    auto db4 = engine.Workspaces(0)->OpenDatabase(jet4, false, true, {});
    const auto customers = table(*db4, QStringLiteral("Customers"));
    EXPECT_EQ(fieldPropertyValue(*customers, "CustomerID", "Caption"), QVariant(QStringLiteral("Kürzel (ID)")));
    EXPECT_EQ(fieldPropertyValue(*customers, "CompanyName", "Caption"), QVariant(QStringLiteral("Firmenname für Kunden!")));
    EXPECT_EQ(propertyValue(customers->Properties(), "Description"),
              QVariant(QStringLiteral("Customers' names, addresses, and phone numbers.")));
}

// Read without the further design properties, every file gives the same
// tables, fields, members and indexes, and no property at all.
TEST(DesignProperties, LeftOutOnRequestWithEverythingElseAsBefore)
{
    TABULO_NEED_TESTDATA();
    const auto describe = [](Database &db, bool withProperties) {
        QStringList lines;
        for (int t = 0; t < db.TableDefs().Count(); ++t) {
            const auto table = db.TableDefs().Item(t);
            lines << table->Name() + u'|' + table->ValidationRule() + u'|' + table->ValidationText();
            if (!withProperties && table->Properties().Count() != 0)
                lines << QStringLiteral("properties of %1").arg(table->Name());
            for (int f = 0; f < table->Fields().Count(); ++f) {
                const auto field = table->Fields().Item(f);
                lines << QStringLiteral("  %1 %2 %3 %4 %5 %6|%7|%8")
                             .arg(field->Name())
                             .arg(field->Type())
                             .arg(field->Size())
                             .arg(field->Attributes())
                             .arg(int(field->Required()) * 2 + int(field->AllowZeroLength()))
                             .arg(field->DefaultValue(), field->ValidationRule(), field->ValidationText());
                if (!withProperties && field->Properties().Count() != 0)
                    lines << QStringLiteral("properties of %1.%2").arg(table->Name(), field->Name());
            }
            for (int i = 0; i < table->Indexes().Count(); ++i) {
                const auto index = table->Indexes().Item(i);
                QStringList keys;
                for (int k = 0; k < index->Fields().Count(); ++k)
                    keys << QStringLiteral("%1 %2").arg(index->Fields().Item(k)->Name()).arg(index->Fields().Item(k)->Attributes());
                lines << QStringLiteral("  index %1 %2").arg(index->Name(), keys.join(u','));
            }
        }
        return lines;
    };
    for (const char *file : {"northwind.mdb", "jet3-index.mdb", "jet4-index.mdb"}) {
        SCOPED_TRACE(file);
        JetEngine full;
        JetEngine lean;
        lean.setDesignPropertiesWanted(false);
        const QString path = testDataPath(QLatin1String(file));
        const auto withProperties = full.Workspaces(0)->OpenDatabase(path, false, true, {});
        const auto without = lean.Workspaces(0)->OpenDatabase(path, false, true, {});
        EXPECT_EQ(describe(*without, false), describe(*withProperties, true));
    }
}

// Read for an SQL script, each table and field keeps its Description alone,
// as the whole read has it.
TEST(DesignProperties, DescriptionsAloneOnRequest)
{
    TABULO_NEED_TESTDATA();
    const auto descriptions = [](Database &db, bool all) {
        QStringList lines;
        const auto add = [&](const QString &owner, const Properties &properties) {
            for (int p = 0; p < properties.Count(); ++p) {
                const auto property = properties.Item(p);
                if (!all || property->Name() == QLatin1String("Description"))
                    lines << owner + u'|' + property->Name() + u'|' + property->Value().toString();
            }
        };
        for (int t = 0; t < db.TableDefs().Count(); ++t) {
            const auto table = db.TableDefs().Item(t);
            add(table->Name(), table->Properties());
            for (int f = 0; f < table->Fields().Count(); ++f)
                add(table->Name() + u'.' + table->Fields().Item(f)->Name(), table->Fields().Item(f)->Properties());
        }
        return lines;
    };
    for (const char *file : {"northwind.mdb", "northwind-variant.mdb"}) {
        SCOPED_TRACE(file);
        JetEngine full;
        JetEngine described;
        described.setDesignPropertiesWanted(false);
        described.setDescriptionsWanted(true);
        const QString path = testDataPath(QLatin1String(file));
        const QStringList wanted = descriptions(*full.Workspaces(0)->OpenDatabase(path, false, true, {}), true);
        EXPECT_FALSE(wanted.isEmpty());
        EXPECT_EQ(descriptions(*described.Workspaces(0)->OpenDatabase(path, false, true, {}), false), wanted);
    }
}
