#pragma once
// A generator wired to the fake engine, fake lists, status bar and
// progress display, and a recording message service; the source databases
// are schema models served under the names of empty files in a temporary
// folder (the generator checks that the source file can be read).

#include "FakeUi.h"
#include "FaultyEngine.h"
#include "RaisedError.h"
#include "RecordingMessageService.h"
#include "SchemaBuilders.h"
#include "wizard/engine/SchemaModel.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

#include "QtPrinting.h"

namespace gentest {

using namespace schemabuild;

// Customers 1-n Orders (cascading updates), Products unrelated.
inline schema::Database shopModel()
{
    return database(
        {
            table("Customers", {longField("CustomerID", true), textField("CompanyName", 40)}, {primaryKey("CustomerID")}),
            table("Orders", {longField("OrderID", true), longField("CustomerID")}, {primaryKey("OrderID")}),
            table("Products", {longField("ProductID", true), textField("ProductName")}, {primaryKey("ProductID")}),
        },
        {relation("CustomersOrders", "Customers", "Orders", 256, {{"CustomerID", "CustomerID"}})});
}

class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        engine = std::make_shared<testsupport::FakeEngine>();
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

    // Opens the source through a workgroup file holding `accounts`, as
    // `user`; returns the file's path.
    QString signInThrough(const QStringList &accounts, const QString &user)
    {
        const QString mdw = touch(QStringLiteral("secured.mdw"));
        engine->addWorkgroup(mdw, accounts);
        gen.setPathNameMDWSource(mdw);
        gen.setUserNameSource(user);
        return mdw;
    }

    void showProgress()
    {
        gen.setStatusBar(&statusBar);
        gen.setProgressBar(&progress);
    }

    QTemporaryDir dir;
    std::shared_ptr<testsupport::FakeEngine> engine;
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
