// Every shared sample file read through the Jet file engine, checked against
// what mdb-schema, mdb-prop and mdb-export FILE MSysRelationships print for it.
#include "DocumentDefaults.h"
#include "EngineFixtures.h"
#include "SampleFiles.h"

#include "wizard/engine/SchemaJson.h"

#include <QJsonDocument>
#include <QProcess>

using namespace dao;
using namespace samples;

namespace {

QStringList fieldNames(const Fields &fields)
{
    QStringList names;
    for (int i = 0; i < fields.Count(); ++i)
        names.append(fields.Item(i)->Name());
    return names;
}

struct FieldFacts {
    const char *name;
    int type;
    qint32 size;
    qint32 attributes;
    bool required;
    bool allowZeroLength;
    const char *defaultValue;
};

void expectFields(const TableDef &tdf, std::initializer_list<FieldFacts> expected)
{
    for (const FieldFacts &e : expected) {
        const auto f = named(tdf.Fields(), QLatin1String(e.name));
        const std::string where = tdf.Name().toStdString() + "." + e.name;
        EXPECT_EQ(f->Type(), e.type) << where;
        EXPECT_EQ(f->Size(), e.size) << where;
        EXPECT_EQ(f->Attributes(), e.attributes) << where;
        EXPECT_EQ(f->Required(), e.required) << where;
        EXPECT_EQ(f->AllowZeroLength(), e.allowZeroLength) << where;
        EXPECT_EQ(f->DefaultValue(), QLatin1String(e.defaultValue)) << where;
    }
}

struct IndexFacts {
    const char *name;
    QStringList fields;
    bool primary, unique, required, ignoreNulls, foreign;
};

void expectIndexes(const TableDef &tdf, std::initializer_list<IndexFacts> expected)
{
    ASSERT_EQ(tdf.Indexes().Count(), int(expected.size())) << tdf.Name().toStdString();
    for (const IndexFacts &e : expected) {
        const auto index = named(tdf.Indexes(), QLatin1String(e.name));
        const std::string where = tdf.Name().toStdString() + "." + e.name;
        EXPECT_EQ(fieldNames(index->Fields()), e.fields) << where;
        EXPECT_EQ(index->Primary(), e.primary) << where;
        EXPECT_EQ(index->Unique(), e.unique) << where;
        EXPECT_EQ(index->Required(), e.required) << where;
        EXPECT_EQ(index->IgnoreNulls(), e.ignoreNulls) << where;
        EXPECT_EQ(index->Foreign(), e.foreign) << where;
    }
}

struct RelationFacts {
    const char *name, *table, *foreignTable;
    qint32 attributes;
    QList<QPair<QString, QString>> fields;
};

void expectRelations(Database &db, std::initializer_list<RelationFacts> expected)
{
    for (const RelationFacts &e : expected) {
        const auto r = named(db.Relations(), QLatin1String(e.name));
        EXPECT_EQ(r->Table(), QLatin1String(e.table)) << e.name;
        EXPECT_EQ(r->ForeignTable(), QLatin1String(e.foreignTable)) << e.name;
        EXPECT_EQ(r->Attributes(), e.attributes) << e.name;
        EXPECT_FALSE(r->PartialReplica());
        QList<QPair<QString, QString>> fields;
        for (int i = 0; i < r->Fields().Count(); ++i)
            fields.append({r->Fields().Item(i)->Name(), r->Fields().Item(i)->ForeignName()});
        EXPECT_EQ(fields, e.fields) << e.name;
    }
}

const QStringList JetTypesTables{"Table1", "Table2", "Table3", "Table4"};

void expectTypesFile(Database &db)
{
    EXPECT_EQ(userTables(db), JetTypesTables);
    // Text sizes are characters in both formats (Jet 4 stores bytes).
    expectFields(*table(db, "Table1"), {
        {"A", dbText, 50, dbVariableField, false, false, ""},
        {"B", dbText, 100, dbVariableField, false, false, ""},
        {"C", dbByte, 1, dbFixedField, false, false, "0"},
        {"D", dbInteger, 2, dbFixedField, false, false, "0"},
        {"E", dbLong, 4, dbFixedField, false, false, "0"},
        {"F", dbDouble, 8, dbFixedField, false, false, "0"},
        {"G", dbDate, 8, dbFixedField, false, false, ""},
        {"H", dbCurrency, 8, dbFixedField, false, false, "0"},
        {"I", dbBoolean, 1, dbFixedField, false, false, ""},
    });
    EXPECT_EQ(table(db, "Table2")->Fields().Count(), 89);
    expectFields(*table(db, "Table3"), {{"a", dbLong, 4, dbFixedField | dbAutoIncrField, false, false, ""}});
    expectFields(*table(db, "Table4"), {{"data", dbGUID, 16, dbFixedField, false, false, "GenGUID()"}});
    expectIndexes(*table(db, "Table4"), {{"PrimaryKey", {"data"}, true, true, true, false, false}});
    expectIndexes(*table(db, "Table1"), {
        {"B", {"B"}, false, false, false, false, false},
        {"PrimaryKey", {"A"}, true, true, true, false, false},
    });
}

void expectIndexFile(Database &db)
{
    EXPECT_EQ(userTables(db), (QStringList{"Table1", "Table2", "Table3"}));
    // Foreign-key indexes take their fields from the relationship; the
    // entries that back the other side of a relationship are left out.
    expectIndexes(*table(db, "Table1"), {
        {"id", {"id"}, false, false, false, false, false},
        {"PrimaryKey", {"id"}, true, true, true, false, false},
        {"Table2Table1", {"otherfk1"}, false, false, false, false, true},
        {"Table3Table1", {"otherfk2"}, false, false, false, false, true},
    });
    expectIndexes(*table(db, "Table2"), {
        {"id", {"id"}, false, false, false, false, false},
        {"PrimaryKey", {"id"}, true, true, true, false, false},
    });
    expectFields(*table(db, "Table1"), {
        {"otherfk1", dbLong, 4, dbFixedField, false, false, "0"},
        {"data", dbText, 50, dbVariableField, false, true, ""},
    });
    expectRelations(db, {
        {"Table2Table1", "Table2", "Table1", dbRelationDeleteCascade, {{"id", "otherfk1"}}},
        {"Table3Table1", "Table3", "Table1", dbRelationUpdateCascade, {{"id", "otherfk2"}}},
    });
}

}  // namespace

TEST(SampleFiles, Northwind)
{
    TABULO_NEED_TESTDATA();
    for (const char *file : {"northwind.mdb", "northwind-variant.mdb"}) {
        SCOPED_TRACE(file);
        auto db = openSample(file);
        EXPECT_EQ(db->Version(), QStringLiteral("4.0"));
        EXPECT_EQ(db->ReplicaID(), QString());
        EXPECT_EQ(db->DesignMasterID(), QString());
        QStringList expected{"Categories", "Customers", "Employees", "Order Details", "Orders", "Products",
                             "Shippers", "Suppliers"};
        if (QLatin1String(file) == QLatin1String("northwind-variant.mdb"))
            expected.insert(5, QStringLiteral("Paste Errors"));
        EXPECT_EQ(userTables(*db), expected);

        expectFields(*table(*db, "Categories"), {
            {"CategoryID", dbLong, 4, dbFixedField | dbAutoIncrField, false, false, ""},
            {"CategoryName", dbText, 15, dbVariableField, true, false, ""},
            {"Description", dbMemo, 0, dbVariableField, false, false, ""},
            {"Picture", dbLongBinary, 0, dbVariableField, false, false, ""},
        });
        EXPECT_EQ(fieldNames(table(*db, "Order Details")->Fields()),
                  (QStringList{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}));
        expectFields(*table(*db, "Order Details"), {
            {"UnitPrice", dbCurrency, 8, dbFixedField, true, false, "0"},
            {"Quantity", dbInteger, 2, dbFixedField, true, false, "1"},
            {"Discount", dbSingle, 4, dbFixedField, true, false, "0"},
        });
        const auto discount = named(table(*db, "Order Details")->Fields(), "Discount");
        EXPECT_EQ(discount->ValidationRule(), QStringLiteral("Between 0 And 1"));
        EXPECT_EQ(discount->ValidationText(), QStringLiteral("You must enter a value with a percent sign."));
        const auto birth = named(table(*db, "Employees")->Fields(), "BirthDate");
        EXPECT_EQ(birth->ValidationRule(), QStringLiteral("<Date()"));
        EXPECT_EQ(birth->ValidationText(), QStringLiteral("Birth date can't be in the future."));
        expectFields(*table(*db, "Products"), {{"Discontinued", dbBoolean, 1, dbFixedField, false, false, "=No"}});
        expectFields(*table(*db, "Suppliers"),
                     {{"HomePage", dbMemo, 0, dbVariableField | dbHyperlinkField, false, false, ""}});

        expectIndexes(*table(*db, "Order Details"), {
            {"OrderID", {"OrderID"}, false, false, false, false, false},
            {"OrdersOrder Details", {"OrderID"}, false, false, false, false, true},
            {"PrimaryKey", {"OrderID", "ProductID"}, true, true, true, false, false},
            {"ProductID", {"ProductID"}, false, false, false, false, false},
            {"ProductsOrder Details", {"ProductID"}, false, false, false, false, true},
        });
        expectIndexes(*table(*db, "Categories"), {
            {"CategoryName", {"CategoryName"}, false, true, false, false, false},
            {"PrimaryKey", {"CategoryID"}, true, true, true, false, false},
        });
        expectRelations(*db, {
            {"CustomersOrders", "Customers", "Orders", dbRelationUpdateCascade, {{"CustomerID", "CustomerID"}}},
            {"OrdersOrder Details", "Orders", "Order Details", dbRelationDeleteCascade, {{"OrderID", "OrderID"}}},
            {"ShippersOrders", "Shippers", "Orders", 0, {{"ShipperID", "ShipVia"}}},
            {"CategoriesProducts", "Categories", "Products", 0, {{"CategoryID", "CategoryID"}}},
        });
        // Catalogue flags: system objects, and hidden system tables.
        EXPECT_EQ(table(*db, "MSysObjects")->Attributes(), dbSystemObject);
        EXPECT_EQ(table(*db, "MSysNavPaneGroups")->Attributes(), dbSystemObject | dbHiddenObject);
    }
    // The first file holds 9 relationships, two of them between system tables.
    EXPECT_EQ(openSample("northwind.mdb")->Relations().Count(), 9);
}

TEST(SampleFiles, TablesAreInNameOrder)
{
    TABULO_NEED_TESTDATA();
    auto db = openSample("northwind.mdb");
    TableDefs &tables = db->TableDefs();
    for (int i = 1; i < tables.Count(); ++i)
        EXPECT_LT(tables.Item(i - 1)->Name().compare(tables.Item(i)->Name(), Qt::CaseInsensitive), 0);
}

TEST(SampleFiles, FieldTypesJet3AndJet4)
{
    TABULO_NEED_TESTDATA();
    auto jet3 = openSample("jet3-types.mdb");
    EXPECT_EQ(jet3->Version(), QStringLiteral("3.0"));
    expectTypesFile(*jet3);
    auto jet4 = openSample("jet4-types.mdb");
    EXPECT_EQ(jet4->Version(), QStringLiteral("4.0"));
    expectTypesFile(*jet4);
}

TEST(SampleFiles, IndexesAndRelationshipsJet3AndJet4)
{
    TABULO_NEED_TESTDATA();
    expectIndexFile(*openSample("jet3-index.mdb"));
    expectIndexFile(*openSample("jet4-index.mdb"));
}

TEST(SampleFiles, IndexCodes)
{
    TABULO_NEED_TESTDATA();
    auto db = openSample("jet3-index-codes.mdb");
    EXPECT_EQ(userTables(*db).size(), 29);
    for (const char *name : {"Table12_asc_desc", "Table12_desc_asc", "Table12_desc_desc"}) {
        expectIndexes(*table(*db, name), {
            {"DataIndex", {"data1", "data2"}, false, false, false, false, false},
            {"PrimaryKey", {"name"}, true, true, true, false, false},
        });
    }
    expectFields(*table(*db, "Table10"), {{"data", dbBoolean, 1, dbFixedField, false, false, ""}});

    // The key directions, as the definition pages store them: 17 descending
    // columns in the user tables, one in MSysModules2.
    QStringList descending;
    TableDefs &tables = db->TableDefs();
    for (int t = 0; t < tables.Count(); ++t) {
        for (int i = 0; i < tables.Item(t)->Indexes().Count(); ++i) {
            const auto index = tables.Item(t)->Indexes().Item(i);
            for (int k = 0; k < index->Fields().Count(); ++k) {
                const qint32 attributes = index->Fields().Item(k)->Attributes();
                EXPECT_TRUE(attributes == 0 || attributes == dbDescending);
                if (attributes == dbDescending)
                    descending.append(tables.Item(t)->Name() + "." + index->Name() + "." + index->Fields().Item(k)->Name());
            }
        }
    }
    EXPECT_EQ(descending.size(), 18);
    for (const char *key : {"Table1_desc.PrimaryKey.name", "Table11.dataDesc.data", "Table12_asc_desc.DataIndex.data2",
                            "Table12_desc_asc.DataIndex.data1", "Table12_desc_desc.DataIndex.data1",
                            "Table12_desc_desc.DataIndex.data2", "Table2_desc.DataIndex.data",
                            "Table10_desc.DataIndex.data", "MSysModules2.Index1.Version"})
        EXPECT_TRUE(descending.contains(QLatin1String(key))) << key;
    for (const char *ascending : {"Table11.data.data", "Table12_asc_desc.DataIndex.data1", "Table1.PrimaryKey.name"})
        EXPECT_FALSE(descending.contains(QLatin1String(ascending))) << ascending;
}

TEST(SampleFiles, IndexProperties)
{
    TABULO_NEED_TESTDATA();
    // libmdb 1.0 loses the columns of some of these indexes; the table
    // definition pages have them.
    auto db = openSample("jet4-index-properties.mdb");
    const IndexFacts primary{"PrimaryKey", {"row"}, true, true, true, false, false};
    expectIndexes(*table(*db, "TableIgnoreNulls1"), {{"DataIndex", {"data"}, false, false, false, true, false}, primary});
    expectIndexes(*table(*db, "TableIgnoreNulls2"),
                  {{"DataIndex", {"data1", "data2"}, false, false, false, true, false}, primary});
    expectIndexes(*table(*db, "TableUnique1_temp"), {{"DataIndex", {"data"}, false, true, false, false, false}, primary});
    expectIndexes(*table(*db, "TableUnique2_temp"),
                  {{"DataIndex", {"data1", "data2"}, false, true, false, false, false}, primary});
}

TEST(SampleFiles, UnicodeAndPasswordFiles)
{
    TABULO_NEED_TESTDATA();
    auto unicode = openSample("jet4-unicode.mdb");
    EXPECT_EQ(userTables(*unicode), QStringList{"Table"});
    expectFields(*table(*unicode, "Table"), {
        {"ID", dbLong, 4, dbFixedField | dbAutoIncrField, false, false, ""},
        {"Unicode", dbText, 255, dbVariableField, false, true, ""},
    });
    // An attachment table of a later Access: flagged as a system object.
    EXPECT_EQ(table(*unicode, "f_B2444F72C17C49C3B2E92EED7C2E6EF3_Data")->Attributes(), dbSystemObject);

    for (const char *file : {"jet4-password.mdb", "jet4-password-2003.mdb"}) {
        auto db = openSample(file, QStringLiteral("password"));
        EXPECT_EQ(userTables(*db), QStringList{"Table1"}) << file;
        expectFields(*table(*db, "Table1"), {
            {"ID", dbLong, 4, dbFixedField | dbAutoIncrField, false, false, ""},
            {"Data", dbText, 255, dbVariableField, false, true, ""},
        });
    }
}

// A column entry holds a decimal's precision, then its scale (libmdb 1.0
// names the two the other way round): read the wrong way round, 12.345
// would become Decimal(3, 12).
TEST(SampleFiles, DecimalsKeepTheirPrecisionAndScale)
{
    TABULO_NEED_TESTDATA();
    auto jet4 = openSample("jet4-decimal.mdb");
    const auto tdf = table(*jet4, "t_funcs");
    for (int i = 0; i < tdf->Fields().Count(); ++i) {
        const auto f = tdf->Fields().Item(i);
        const bool decimal = f->Name() == QLatin1String("num");
        if (decimal) {
            EXPECT_EQ(f->Type(), dbDecimal);
        }
        EXPECT_EQ(f->Precision(), decimal ? 12 : 0) << f->Name().toStdString();
        EXPECT_EQ(f->Scale(), decimal ? 3 : 0) << f->Name().toStdString();
    }
}

namespace {

// The members at their default in every object of `value`, with where they are.
void collectMembersAtDefault(const QJsonValue &value, const QString &where, QStringList &found)
{
    if (value.isArray()) {
        const QJsonArray list = value.toArray();
        for (qsizetype k = 0; k < list.size(); ++k)
            collectMembersAtDefault(list[k], where + QStringLiteral("[%1]").arg(k), found);
        return;
    }
    if (!value.isObject())
        return;
    const QJsonObject o = value.toObject();
    for (const QString &member : documentdefaults::membersAtDefault(o))
        found.append(where + QLatin1Char('.') + member);
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (it.key() != QLatin1String("value"))
            collectMembersAtDefault(it.value(), where + QLatin1Char('.') + it.key(), found);
    }
}

}  // namespace

// The reader's answer is what every opening parses: members at their default
// (empty texts and lists, false, zero sizes and attributes, ascending key
// fields) are left out, which halves a typical answer, and reading it gives
// the design that the complete document describes.
TEST(SampleFiles, TheReaderLeavesMembersAtTheirDefaultOut)
{
    TABULO_NEED_TESTDATA();
    const auto read = [](const char *file) {
        QProcess reader;
        reader.start(findSchemaReader(), {QStringLiteral("--"), testDataPath(QLatin1String(file))});
        EXPECT_TRUE(reader.waitForFinished(60000));
        EXPECT_EQ(reader.exitCode(), 0);
        return reader.readAllStandardOutput();
    };
    const QByteArray answer = read("northwind.mdb");
    const QJsonObject document = QJsonDocument::fromJson(answer).object();
    // ACE files hold the members version 3 added.
    for (const char *file : {"northwind.mdb", "ace14-calculated-fields.accdb", "ace14-complex-fields.accdb",
                             "ace12-unknown-types.accdb"}) {
        SCOPED_TRACE(file);
        const QByteArray answer = read(file);
        QStringList atDefault;
        collectMembersAtDefault(QJsonDocument::fromJson(answer).object(), QString(), atDefault);
        EXPECT_TRUE(atDefault.isEmpty()) << atDefault.join(QStringLiteral(", ")).toStdString();
        EXPECT_FALSE(answer.contains("partialReplica"));

        // Read into the model and written again, it is the same document.
        const std::optional<schema::Database> model = schema::fromJson(answer);
        ASSERT_TRUE(model);
        EXPECT_EQ(schema::toJson(*model), answer);
    }
    const QJsonDocument complete(documentdefaults::withDefaults(document));
    EXPECT_LT(answer.size(), complete.toJson(QJsonDocument::Compact).size() * 2 / 3);

    // The Northwind test above reads the same values as before from it.
}
