#pragma once
// A generator wired to the in-memory engine, fake lists, status bar and
// progress display, and a recording message service; the source databases
// are schema models served under the names of empty files in a temporary
// folder (the generator checks that the source file can be read).

#include "FakeUi.h"
#include "RaisedError.h"
#include "RecordingMessageService.h"
#include "wizard/engine/MemoryEngine.h"
#include "wizard/engine/SchemaModel.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

#include "QtPrinting.h"

namespace gentest {

inline schema::Field textField(const QString &name, int size = 50)
{
    schema::Field field;
    field.name = name;
    field.type = 10;
    field.size = size;
    field.attributes = 2;
    return field;
}

inline schema::Field longField(const QString &name, bool autoNumber = false)
{
    schema::Field field;
    field.name = name;
    field.type = 4;
    field.size = 4;
    field.attributes = autoNumber ? 17 : 1;
    return field;
}

inline schema::Index primaryKey(const QString &field)
{
    schema::Index index;
    index.name = QStringLiteral("PrimaryKey");
    index.primary = true;
    index.unique = true;
    index.required = true;
    index.fields = {field};
    return index;
}

inline schema::Table table(const QString &name, QList<schema::Field> fields, QList<schema::Index> indexes = {},
                           qint32 attributes = 0)
{
    schema::Table t;
    t.name = name;
    t.attributes = attributes;
    t.fields = std::move(fields);
    t.indexes = std::move(indexes);
    return t;
}

inline schema::Relation relation(const QString &name, const QString &primaryTable, const QString &foreignTable,
                                 const QString &field, qint32 attributes = 0)
{
    schema::Relation r;
    r.name = name;
    r.table = primaryTable;
    r.foreignTable = foreignTable;
    r.attributes = attributes;
    r.fields = {{field, field}};
    return r;
}

// Customers 1-n Orders (cascading updates), Products unrelated.
inline schema::Database shopModel()
{
    schema::Database db;
    db.version = QStringLiteral("4.0");
    db.tables = {
        table("Customers", {longField("CustomerID", true), textField("CompanyName", 40)}, {primaryKey("CustomerID")}),
        table("Orders", {longField("OrderID", true), longField("CustomerID")}, {primaryKey("OrderID")}),
        table("Products", {longField("ProductID", true), textField("ProductName")}, {primaryKey("ProductID")}),
    };
    db.relations = {relation("CustomersOrders", "Customers", "Orders", "CustomerID", 256)};
    return db;
}

class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        engine = std::make_shared<dao::MemoryEngine>();
        dao::installDBEngine(engine);
        shopPath = addSource(QStringLiteral("shop.mdb"), shopModel());
        gen.setSourceTablesAvailableList(&available);
        gen.setSourceTablesChosenList(&chosen);
        statusBar.panel(1).text = QStringLiteral("Ready");
    }

    void TearDown() override
    {
        gen.CloseSourceDBandMDW();
        dao::installDBEngine(nullptr);
    }

    // An empty file in the temporary folder.
    QString touch(const QString &name)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }

    QString addSource(const QString &name, const schema::Database &model, const QString &password = {})
    {
        const QString path = touch(name);
        engine->addDatabase(path, model, password);
        return path;
    }

    void showProgress()
    {
        gen.setStatusBar(&statusBar);
        gen.setProgressBar(&progress);
    }

    QTemporaryDir dir;
    std::shared_ptr<dao::MemoryEngine> engine;
    tabulo::clsWriteNewDatabase gen;
    FakeList available;
    FakeList chosen;
    FakeStatusBar statusBar{3};
    FakeProgress progress;
    RecordingMessageService messages;
    QString shopPath;
};

using testsupport::expectedError;

}  // namespace gentest
