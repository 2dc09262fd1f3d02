// The automation object as a host drives it: late-bound by member name,
// with the window driven through its widgets.

#include "RecordingMessageService.h"
#include "TestPaths.h"
#include "tests/form/WizardFixture.h"
#include "wizard/automation/Application.h"
#include "wizard/engine/WizardBuild.h"

#include <QMetaEnum>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_source = m_dir.filePath(u"shop.mdb"_s);
        QFile file(m_source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("read by the in-memory engine only");
        file.close();
        m_engine = std::make_shared<testsupport::FakeEngine>();
        m_engine->addDatabase(m_source, shopModel(m_source));
        dao::installDBEngine(m_engine);
        tabulo::gobjErrorHandler().setLogFolder(m_dir.path());
    }

    void TearDown() override
    {
        if (tabulo::frmWizardMain *form = m_app.wizardWindow())
            form->close();
        WizardFixture::resetGenerator();
        tabulo::setWizardBuild(tabulo::jet40Build());
        dao::installDBEngine(nullptr);
    }

    bool showWizard(int state)
    {
        bool shown = false;
        EXPECT_TRUE(QMetaObject::invokeMethod(&m_app, "ShowWizard", Q_RETURN_ARG(bool, shown), Q_ARG(int, state)));
        if (shown && form()) {
            form()->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(form()));
        }
        return shown;
    }

    tabulo::frmWizardMain *form() const { return m_app.wizardWindow(); }
    template <class T = QWidget>
    T *w(const QString &name) const
    {
        T *widget = form()->findChild<T *>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    // A click on the button's indicator or face, as a user aims it.
    void click(const QString &name)
    {
        QAbstractButton *target = w<QAbstractButton>(name);
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(6, target->height() / 2));
    }

    // From the options page to a Finish that copies every table to the clipboard.
    void finishFromOptionsPage()
    {
        click(u"optDatabaseLocation(0)"_s);
        click(u"cmdNext"_s);
        click(u"chkCopyToClipboard"_s);
        click(u"cmdNext"_s);
        ASSERT_EQ(form()->currentPage(), 3);
        click(u"cmdAddAll"_s);
        ASSERT_GT(form()->findChild<QListWidget *>(u"lstTablesChosen"_s)->count(), 0);
        ASSERT_TRUE(w<QAbstractButton>(u"cmdFinish"_s)->isEnabled());
        click(u"cmdFinish"_s);
    }

    // A database the host hands in: the object handed in, and the in-memory
    // engine's database behind it, which says whether it was closed.
    struct HostedDatabase {
        std::shared_ptr<dao::Database> handedIn;
        std::shared_ptr<dao::ModelDatabase> served;
    };
    HostedDatabase hostDatabase()
    {
        HostedDatabase db;
        db.served = m_engine->memory().makeDatabase(shopModel(m_source));
        db.handedIn = m_engine->withFaults(db.served);
        m_app.setProperty("SourceDatabase", QVariant::fromValue(db.handedIn));
        return db;
    }

    QTemporaryDir m_dir;
    QString m_source;
    std::shared_ptr<testsupport::FakeEngine> m_engine;
    RecordingMessageService m_messages;
    tabulo::Application m_app;
};

TEST_F(ApplicationTest, PublishesItsMembersAndEnumerationsByName)
{
    const QMetaObject *meta = m_app.metaObject();
    const QMetaEnum modal = meta->enumerator(meta->indexOfEnumerator("twModalState"));
    EXPECT_EQ(modal.keyToValue("twModal"), 1);
    EXPECT_EQ(modal.keyToValue("twModeless"), 0);
    const QMetaEnum insert = meta->enumerator(meta->indexOfEnumerator("twInsertPosition"));
    EXPECT_EQ(insert.keyToValue("twInsertNone"), 0);
    EXPECT_EQ(insert.keyToValue("twInsertTop"), 1);
    EXPECT_EQ(insert.keyToValue("twInsertBottom"), 2);
    EXPECT_GE(meta->indexOfMethod("ShowWizard(int)"), 0);
    EXPECT_GE(meta->indexOfMethod("ShowWizard()"), 0);
    EXPECT_GE(meta->indexOfSignal("AfterWizardComplete()"), 0);

    EXPECT_FALSE(m_app.property("Succeeded").toBool());
    EXPECT_EQ(m_app.property("InsertPosition").toInt(), 0);
    EXPECT_FALSE(m_app.property("AutoShutDown").toBool());
    EXPECT_TRUE(m_app.setProperty("AutoShutDown", true));
    EXPECT_TRUE(m_app.property("AutoShutDown").toBool());
}

// Property browsers and QML skip a property Qt marks invalid; a host reads
// back what it wrote.
TEST_F(ApplicationTest, EveryPropertyIsValidAndReadsBackWhatWasWritten)
{
    const QMetaObject *meta = m_app.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        EXPECT_TRUE(property.isValid()) << property.name();
        EXPECT_TRUE(property.isReadable()) << property.name();
    }

    EXPECT_FALSE(m_app.property("ShowInsertPosition").toBool());
    EXPECT_TRUE(m_app.setProperty("ShowInsertPosition", true));
    EXPECT_TRUE(m_app.property("ShowInsertPosition").toBool());

    EXPECT_EQ(m_app.property("SourceDatabase").value<std::shared_ptr<dao::Database>>(), nullptr);
    auto db = hostDatabase();
    EXPECT_EQ(m_app.property("SourceDatabase").value<std::shared_ptr<dao::Database>>(), db.handedIn);
}

TEST_F(ApplicationTest, ModelessShowReturnsAtOnceAndClosingForgetsTheWindow)
{
    ASSERT_TRUE(showWizard(0));
    ASSERT_NE(form(), nullptr);
    EXPECT_TRUE(form()->isVisible());
    EXPECT_EQ(form()->currentPage(), 0);
    EXPECT_EQ(form()->windowTitle(), u"Morvane Tabulo Wizard (Jet 4.0)"_s);

    // The user opens the source, then closes the window: the generator lets go of it.
    QTest::keyClicks(w<QLineEdit>(u"txtDBSource"_s), m_source);
    click(u"cmdNext"_s);
    ASSERT_EQ(form()->currentPage(), 1);
    const int opened = m_engine->faults().callCount(u"Workspace.OpenDatabase"_s);
    EXPECT_EQ(opened, 1);
    form()->close();
    EXPECT_EQ(form(), nullptr);
    // The next Finish would have to open the file again.
    tabulo::gobjWriteNewDatabase().DBSource();
    EXPECT_EQ(m_engine->faults().callCount(u"Workspace.OpenDatabase"_s), opened + 1);
    EXPECT_FALSE(m_app.Succeeded());
}

TEST_F(ApplicationTest, ModalShowReturnsWhenTheWindowHasClosed)
{
    bool seenOpen = false;
    QTimer::singleShot(0, [&] {
        seenOpen = form() && form()->isVisible();
        if (form())
            form()->close();
    });
    bool shown = false;
    // No argument: modal.
    ASSERT_TRUE(QMetaObject::invokeMethod(&m_app, "ShowWizard", Q_RETURN_ARG(bool, shown)));
    EXPECT_TRUE(shown);
    EXPECT_TRUE(seenOpen);
    EXPECT_EQ(form(), nullptr);
}

TEST_F(ApplicationTest, AHostsDatabaseStartsOnTheOptionsPageAndIsClosedWithTheWindow)
{
    auto db = hostDatabase();
    ASSERT_TRUE(showWizard(0));
    EXPECT_EQ(form()->currentPage(), 1);
    EXPECT_FALSE(w<QAbstractButton>(u"cmdBack"_s)->isEnabled());
    EXPECT_EQ(tabulo::gobjWriteNewDatabase().PathNameDBSource(), m_source);
    EXPECT_EQ(m_engine->faults().callCount(u"Workspace.OpenDatabase"_s), 0);   // never reopened
    EXPECT_FALSE(db.served->isClosed());

    form()->close();
    EXPECT_TRUE(db.served->isClosed());
    EXPECT_EQ(form(), nullptr);

    // Without a new database the next window asks for the source again.
    ASSERT_TRUE(showWizard(0));
    EXPECT_EQ(form()->currentPage(), 0);
}

TEST_F(ApplicationTest, AutoShutDownClosesTheWindowRightAfterTheHostsHandler)
{
    auto db = hostDatabase();
    m_app.setProperty("AutoShutDown", true);
    int events = 0;
    bool windowOpenInHandler = false;
    bool succeededInHandler = false;
    QObject::connect(&m_app, &tabulo::Application::AfterWizardComplete, [&] {
        ++events;
        windowOpenInHandler = form() && form()->isVisible();
        succeededInHandler = m_app.property("Succeeded").toBool();
    });
    ASSERT_TRUE(showWizard(0));
    finishFromOptionsPage();

    EXPECT_EQ(events, 1);
    EXPECT_TRUE(windowOpenInHandler);
    EXPECT_TRUE(succeededInHandler);
    EXPECT_EQ(form(), nullptr);
    EXPECT_TRUE(db.served->isClosed());
    EXPECT_TRUE(m_app.property("ModuleText").toString().contains(u"\"Order Details\""_s));
    EXPECT_EQ(m_app.property("InsertPosition").toInt(), 0);
}

TEST_F(ApplicationTest, EveryFinishRaisesTheEventAgainWhileTheWindowStays)
{
    hostDatabase();
    int events = 0;
    QObject::connect(&m_app, &tabulo::Application::AfterWizardComplete, [&] { ++events; });
    ASSERT_TRUE(showWizard(0));
    finishFromOptionsPage();
    EXPECT_EQ(events, 1);
    ASSERT_NE(form(), nullptr);
    click(u"cmdFinish"_s);
    EXPECT_EQ(events, 2);
    EXPECT_TRUE(m_app.Succeeded());
}

TEST_F(ApplicationTest, AFinishThatFailsRaisesNoEventAndKeepsSucceeded)
{
    hostDatabase();
    int events = 0;
    QObject::connect(&m_app, &tabulo::Application::AfterWizardComplete, [&] { ++events; });
    ASSERT_TRUE(showWizard(0));
    m_engine->faults().inject(u"TableDefs.Refresh"_s, 3110);
    finishFromOptionsPage();
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(m_app.Succeeded());
    EXPECT_FALSE(m_messages.messages.isEmpty());
}

TEST_F(ApplicationTest, TheJet35BuildRefusesAJet4File)
{
    TABULO_NEED_TESTDATA();
    tabulo::setWizardBuild(tabulo::jet35Build());
    dao::installDBEngine(nullptr);   // the real Jet file engine
    ASSERT_TRUE(showWizard(0));
    EXPECT_EQ(form()->windowTitle(), u"Morvane Tabulo Wizard (Jet 3.5)"_s);
    const QString northwind = testDataPath(u"northwind.mdb"_s);
    QTest::keyClicks(w<QLineEdit>(u"txtDBSource"_s), northwind);
    click(u"cmdNext"_s);
    ASSERT_FALSE(m_messages.messages.isEmpty());
    const QString text = m_messages.messages.first().text;
    EXPECT_TRUE(text.startsWith(u"Tabulo cannot open the database you selected.<"_s + northwind + u">"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"install the Jet 4.0 version."_s));
    EXPECT_NE(form()->currentPage(), 3);
}

}  // namespace
