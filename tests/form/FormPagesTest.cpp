// Pages and navigation: where the window starts, what enables Back, Next and
// Finish, the errors of opening the source database, closing.

#include "WizardFixture.h"
#include "wizard/engine/WizardBuild.h"

#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QKeySequence>
#include <QSet>
#include <QStackedWidget>
#include <QTimer>

using namespace Qt::StringLiterals;

TEST_F(WizardFixture, StartsOnTheSourcePageUntilAReadableFileIsNamed)
{
    open();
    EXPECT_EQ(m_form->windowTitle(), u"Morvane Tabulo Wizard (Jet 4.0)"_s);
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(w<QStackedWidget>(u"sstabWizard"_s)->currentWidget(), w(u"fraWizard(0)"_s));
    EXPECT_EQ(m_form->focusWidget(), box(u"txtDBSource"_s));
    EXPECT_FALSE(button(u"cmdBack"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());

    type(u"txtDBSource"_s, m_dir.filePath(u"missing.mdb"_s));
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
    clear(u"txtDBSource"_s);
    type(u"txtDBSource"_s, m_source);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_EQ(tabulo::gobjWriteNewDatabase().PathNameDBSource(), m_source);
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

// A folder named as the source keeps Next grey, and page 0 says why.
TEST_F(WizardFixture, AFolderAsTheSourceIsSaidToBeOne)
{
    open();
    QLabel *note = w<QLabel>(u"lblDBSourceNote"_s);
    EXPECT_TRUE(note->isHidden());
    const QString folder = m_dir.filePath(u"adir.mdb"_s);
    ASSERT_TRUE(QDir().mkdir(folder));
    type(u"txtDBSource"_s, folder);
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(note->text(), u"\""_s + folder + u"\" is a folder, not a database file."_s);

    type(u"txtDBSource"_s, u"/x.mdb"_s);     // a file not there: nothing to say yet
    EXPECT_TRUE(note->isHidden());
    clear(u"txtDBSource"_s);
    type(u"txtDBSource"_s, m_source);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_TRUE(note->isHidden());
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

TEST_F(WizardFixture, EnteringTheOptionsPageReadsTheSourceVersionEveryTime)
{
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    ASSERT_EQ(page(), 1);
    EXPECT_TRUE(button(u"optVersion(4)"_s)->isChecked());
    EXPECT_TRUE(button(u"cmdBack"_s)->isEnabled());
    // No location chosen: Next waits and no option takes the focus.
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_FALSE(button(u"optDatabaseLocation(0)"_s)->hasFocus());

    click(u"optVersion(1)"_s);
    click(u"optDatabaseLocation(2)"_s);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    next();
    EXPECT_EQ(page(), 2);
    back();
    EXPECT_EQ(page(), 1);
    EXPECT_TRUE(button(u"optVersion(4)"_s)->isChecked());
    EXPECT_EQ(m_form->focusWidget(), button(u"optDatabaseLocation(2)"_s));
    EXPECT_EQ(m_engine->faults().callCount(u"Workspace.OpenDatabase"_s), 1);
}

TEST_F(WizardFixture, ACallersDatabaseStartsOnTheOptionsPageWithoutBack)
{
    tabulo::gobjWriteNewDatabase().setDBSource(m_engine->makeDatabase(shopModel(m_source)));
    open(false);
    EXPECT_EQ(page(), 1);
    EXPECT_FALSE(button(u"cmdBack"_s)->isEnabled());
    EXPECT_TRUE(button(u"optVersion(4)"_s)->isChecked());
}

TEST_F(WizardFixture, OpeningErrorsLeadBackToTheBoxToCorrect)
{
    struct Case {
        int error;
        QString message;
        QString focus;
    };
    const QList<Case> cases = {
        {3033, u"You do not have permission to open the source database."_s, u"txtMDWSource"_s},
        {3031, u"Please enter a valid database password for the source database."_s, u"txtPasswordDBSource"_s},
        {3029, u"You entered an invalid username or password"_s, u"txtPasswordSource"_s},
        {3030, u"You entered an invalid username or password"_s, u"txtPasswordSource"_s}};
    const QString workgroup = makeFile(u"shop.mdw"_s);
    m_engine->addWorkgroup(workgroup, {u"admin"_s});
    open();
    type(u"txtDBSource"_s, m_source);
    type(u"txtMDWSource"_s, workgroup);       // the user and password boxes are usable then
    type(u"txtUserNameSource"_s, u"admin"_s);
    for (const Case &c : cases) {
        m_messages.messages.clear();
        m_engine->faults().inject(u"Workspace.OpenDatabase"_s, c.error, {}, 1);
        next();
        EXPECT_EQ(page(), 0) << c.error;
        EXPECT_EQ(messageTexts(), QStringList{c.message}) << c.error;
        EXPECT_EQ(m_form->focusWidget(), box(c.focus)) << c.error;
        EXPECT_FALSE(button(u"cmdBack"_s)->isEnabled());
    }
    // Corrected, the same Next goes through.
    next();
    EXPECT_EQ(page(), 1);
}

TEST_F(WizardFixture, AnUnexpectedOpeningErrorIsReportedAndThePageStays)
{
    m_engine->faults().inject(u"Database.Version"_s, 3011);
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    ASSERT_EQ(m_messages.messages.size(), 1);
    const RecordedMessage &report = m_messages.messages.first();
    EXPECT_TRUE(report.text.startsWith(u"Calling Routine: frmWizardMain - MovePage"_s)) << report.text.toStdString();
    EXPECT_TRUE(report.text.contains(u"Error: 3011"_s));
    EXPECT_EQ(report.style & 0x70, 48);
    // MovePage ended before the page changed.
    EXPECT_EQ(w<QStackedWidget>(u"sstabWizard"_s)->currentIndex(), 0);
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WizardFixture, AFormatTheEngineCannotReadGivesItsOneMessageAndThePageStays)
{
    const QString other = makeFile(u"newer.accdb"_s);
    m_engine->addDatabase(other, shopModel(other));
    m_engine->faults().inject(u"Workspace.OpenDatabase"_s, 3343, {}, 2);
    open();
    type(u"txtDBSource"_s, other);
    next();
    ASSERT_EQ(m_messages.messages.size(), 1) << messageTexts().join(u"\n"_s).toStdString();
    const QString message = m_messages.messages[0].text;
    EXPECT_TRUE(message.startsWith(u"Tabulo cannot open the database you selected.<"_s + other
                                   + u">\r\n\r\nIt is either a corrupt database, or it was created by a "
                                     u"version of Access not recognized by this version of Tabulo.\r\n"_s))
        << message.toStdString();
    // The Jet 4.0 build already is the one to install; it names what it reads.
    EXPECT_FALSE(message.contains(u"install the Jet 4.0 version"_s));
    EXPECT_TRUE(message.contains(u"Access 2007"_s)) << message.toStdString();
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(w<QStackedWidget>(u"sstabWizard"_s)->currentIndex(), 0);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdBack"_s)->isEnabled());

    // Next tries page 1 again, not page 2.
    m_messages.messages.clear();
    next();
    EXPECT_EQ(m_messages.messages.size(), 1);
    EXPECT_EQ(page(), 0);
    next();
    EXPECT_EQ(page(), 1);
    EXPECT_TRUE(m_messages.messages.size() == 1);
}

TEST_F(WizardFixture, TheJet35BuildStillSendsTheUserToTheJet40Version)
{
    tabulo::setWizardBuild(tabulo::jet35Build());
    m_engine->faults().inject(u"Workspace.OpenDatabase"_s, 3343);
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    tabulo::setWizardBuild(tabulo::jet40Build());
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].text.endsWith(
        u"Please rerun Tabulo setup and ensure that you install the Jet 4.0 version."_s));
    EXPECT_EQ(page(), 0);
}

TEST_F(WizardFixture, AFailedPageChangeLeavesIndexPageAndButtonsAsTheyWere)
{
    open();
    type(u"txtDBSource"_s, m_source);
    // A workgroup file the engine cannot use, then an unexpected error.
    const QString workgroup = makeFile(u"broken.mdw"_s);
    type(u"txtMDWSource"_s, workgroup);
    next();
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].text.contains(u"frmWizardMain - MovePage"_s));
    EXPECT_EQ(page(), 0);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdBack"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());

    clear(u"txtMDWSource"_s);
    m_engine->faults().inject(u"Database.Version"_s, 3011, {}, 1);
    next();
    EXPECT_EQ(m_messages.messages.size(), 2);
    EXPECT_EQ(page(), 0);
    next();
    EXPECT_EQ(page(), 1);
    click(u"optDatabaseLocation(2)"_s);
    next();
    EXPECT_EQ(page(), 2);
    // Page 3 fails to list the tables: the window stays on page 2.
    click(u"chkCopyToClipboard"_s);
    m_engine->faults().inject(u"Database.TableDefs"_s, 3011, {}, 1);
    next();
    EXPECT_EQ(m_messages.messages.size(), 3);
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(w<QStackedWidget>(u"sstabWizard"_s)->currentIndex(), 2);
    EXPECT_TRUE(button(u"cmdBack"_s)->isEnabled());
    next();
    EXPECT_EQ(page(), 3);
    EXPECT_EQ(entries(u"lstTablesAvailable"_s), kShopTables);
}

TEST_F(WizardFixture, CloseAsksFirstAndTheTitleBarDoesNot)
{
    open();
    QSignalSpy unloads(m_form.get(), &tabulo::frmWizardMain::Unload);
    m_messages.answers = {pembry::mb::No};
    click(u"cmdCancel"_s);
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_EQ(m_messages.messages[0].text, u"Do you wish to close the Tabulo Wizard?"_s);
    EXPECT_EQ(m_messages.messages[0].title, u"Exit Wizard"_s);
    EXPECT_EQ(m_messages.messages[0].style, pembry::mb::YesNo | pembry::mb::Question);
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(unloads.count(), 0);

    // Escape is Close: answered Yes, the window unloads.
    m_messages.answers = {pembry::mb::Yes};
    QTest::keyClick(box(u"txtDBSource"_s), Qt::Key_Escape);
    EXPECT_EQ(m_messages.messages.size(), 2);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(unloads.count(), 1);

    // Shown again it loads again; the close box unloads without a question.
    m_form->show();
    m_form->close();
    EXPECT_EQ(m_messages.messages.size(), 2);
    EXPECT_EQ(unloads.count(), 2);
    m_form.reset();
    EXPECT_EQ(unloads.count(), 2);
}

TEST_F(WizardFixture, AWindowDeletedWithoutClosingStillUnloadsAndLetsGoOfItsWidgets)
{
    open();
    QSignalSpy unloads(m_form.get(), &tabulo::frmWizardMain::Unload);
    EXPECT_NE(tabulo::gobjWriteNewDatabase().SourceTablesAvailableList(), nullptr);
    m_form.reset();
    EXPECT_EQ(unloads.count(), 1);
    EXPECT_EQ(tabulo::gobjWriteNewDatabase().SourceTablesAvailableList(), nullptr);
    EXPECT_EQ(tabulo::gobjWriteNewDatabase().SourceTablesChosenList(), nullptr);
}

TEST_F(WizardFixture, ShowModalReturnsWhenTheWindowUnloadsAndModelessAtOnce)
{
    m_form = std::make_unique<tabulo::frmWizardMain>();
    m_form->setGetSourceDatabase(true);
    QSignalSpy unloads(m_form.get(), &tabulo::frmWizardMain::Unload);
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        wasModal = m_form->isVisible() && QApplication::activeModalWidget() == m_form.get();
        click(u"cmdCancel"_s);      // answered Yes
    });
    m_form->Show(true);
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(unloads.count(), 1);
    EXPECT_FALSE(m_form->isVisible());

    m_form->Show(false);
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_FALSE(m_form->isModal());
    EXPECT_EQ(page(), 0);
}

TEST_F(WizardFixture, ASourcePathNoFileCanHaveIsReportedAndNextKeepsItsState)
{
    open();
    type(u"txtDBSource"_s, m_source);
    ASSERT_TRUE(button(u"cmdNext"_s)->isEnabled());
    QGuiApplication::clipboard()->setText(QString(QChar(0)) + u"x"_s);
    QLineEdit *source = box(u"txtDBSource"_s);
    source->end(false);
    QTest::keyClick(source, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(source->text().contains(QChar(0)));
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].text.startsWith(u"Calling Routine: frmWizardMain - EnableButtons"_s));
    EXPECT_TRUE(m_messages.messages[0].text.contains(u"Error: 52"_s));
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
}

TEST_F(WizardFixture, TheCaptionNamesTheBuild)
{
    tabulo::setWizardBuild(tabulo::jet35Build());
    tabulo::frmWizardMain unshown;
    EXPECT_EQ(unshown.windowTitle(), u"Tabulo Wizard"_s);
    open();
    EXPECT_EQ(m_form->windowTitle(), u"Morvane Tabulo Wizard (Jet 3.5)"_s);
    tabulo::setWizardBuild(tabulo::jet40Build());
}

TEST_F(WizardFixture, ASourceWhoseNameHoldsABackslashOpens)
{
    const QString odd = makeFile(u"shop\\2.mdb"_s);
    m_engine->addDatabase(odd, shopModel(odd));
    open();
    type(u"txtDBSource"_s, odd);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    next();
    EXPECT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_TRUE(m_messages.messages.isEmpty());
}

namespace {

// An access key as the page shows it: the key and the label, button or
// frame whose text marks it with "&".
struct AccessKey {
    QChar key;
    QWidget *owner;
};

// The access keys of the page shown: every visible label, button and frame
// of the window whose text has one.
QList<AccessKey> accessKeys(QWidget *window)
{
    QList<AccessKey> keys;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisible())
            continue;
        QString text;
        if (auto *label = qobject_cast<QLabel *>(widget))
            text = label->text();
        else if (auto *pressable = qobject_cast<QAbstractButton *>(widget))
            text = pressable->text();
        else if (auto *frame = qobject_cast<QGroupBox *>(widget))
            text = frame->title();
        const QKeySequence mnemonic = QKeySequence::mnemonic(text);
        if (!mnemonic.isEmpty())
            keys.append({QChar(mnemonic[0].key()).toUpper(), widget});
    }
    return keys;
}

QString describe(const QList<AccessKey> &keys)
{
    QStringList names;
    for (const AccessKey &k : keys)
        names << u"%1: %2"_s.arg(k.key, k.owner->objectName());
    names.sort();
    return names.join(u", "_s);
}

}  // namespace

class AccessKeys : public WizardFixture, public ::testing::WithParamInterface<bool> {
protected:
    // Where the access key of `owner` takes the user.
    QWidget *target(QWidget *owner) const
    {
        if (auto *label = qobject_cast<QLabel *>(owner))
            return label->buddy();
        if (owner->objectName() == u"fraSaveAs"_s)
            return box(u"txtCodeDestinationFile"_s);
        return owner;
    }

    // On the page shown: no key twice, and each key (apart from the buttons
    // below the pages) takes the focus to its control.
    void checkPage()
    {
        SCOPED_TRACE(u"page %1"_s.arg(page()).toStdString());
        const QList<AccessKey> keys = accessKeys(m_form.get());
        QSet<QChar> seen;
        for (const AccessKey &k : keys) {
            EXPECT_FALSE(seen.contains(k.key))
                << "the key " << QString(k.key).toStdString() << " is used twice: " << describe(keys).toStdString();
            seen.insert(k.key);
        }
        EXPECT_GE(keys.size(), 5) << describe(keys).toStdString();
        for (const AccessKey &k : keys) {
            if (qobject_cast<QPushButton *>(k.owner) && k.owner->parentWidget() == m_form.get())
                continue;
            QWidget *control = target(k.owner);
            ASSERT_NE(control, nullptr) << "the label " << k.owner->objectName().toStdString() << " names no control";
            if (!control->isEnabled())
                continue;
            QTest::keyClick(m_form.get(), Qt::Key(k.key.unicode()), Qt::AltModifier);
            EXPECT_EQ(QApplication::focusWidget(), control)
                << "Alt+" << QString(k.key).toStdString() << " of " << k.owner->objectName().toStdString()
                << " went to " << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "nothing");
        }
        // A button's access key clicks a moment later, as on screen.
        QTest::qWait(250);
    }
};

TEST_P(AccessKeys, EveryPageHasEachKeyOnceAndEachReachesItsControl)
{
    open(true, GetParam());
    checkPage();
    type(u"txtDBSource"_s, m_source);
    type(u"txtMDWSource"_s, u"/no/such.mdw"_s);     // the user name and password boxes take keys
    checkPage();
    clear(u"txtMDWSource"_s);
    next();
    ASSERT_EQ(page(), 1);
    click(u"optDatabaseLocation(2)"_s);
    checkPage();
    click(u"optDatabaseLocation(2)"_s);     // the keys chose other locations
    next();
    ASSERT_EQ(page(), 2);
    // The file box's frame, also after another box of the frame had the focus.
    type(u"txtCodeDestinationFile"_s, m_dir.filePath(u"out.bas"_s));
    w(u"chkWriteVB5Header"_s)->setFocus();
    checkPage();
    EXPECT_EQ(w(u"chkInsertIntoModule"_s)->isVisible(), GetParam());
    next();
    ASSERT_EQ(page(), 3);
    click(u"cmdAddAll"_s);
    checkPage();
    next();
    ASSERT_EQ(page(), 4);
    click(u"optNewDBSecurity(2)"_s);
    checkPage();
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutInsertPosition, AccessKeys, ::testing::Bool());

TEST_F(WizardFixture, AltNPressesNextAlsoWhereTheHostCanInsertTheModule)
{
    open(true, true);
    auto altN = [this] {
        QTest::keyClick(m_form.get(), Qt::Key_N, Qt::AltModifier);
        QTest::qWait(250);      // the button clicks a moment later
    };
    type(u"txtDBSource"_s, m_source);
    altN();
    ASSERT_EQ(page(), 1);
    click(u"optDatabaseLocation(2)"_s);
    altN();
    ASSERT_EQ(page(), 2);
    click(u"chkCopyToClipboard"_s);
    altN();
    EXPECT_EQ(page(), 3);
    EXPECT_FALSE(qobject_cast<QCheckBox *>(w(u"chkInsertIntoModule"_s))->isChecked());
}

namespace {

// Runs a test in another build, and goes back to the Jet 4.0 build of the
// tests also when it fails.
struct BuildForTest {
    explicit BuildForTest(const tabulo::WizardBuild &build) { tabulo::setWizardBuild(build); }
    ~BuildForTest() { tabulo::setWizardBuild(tabulo::jet40Build()); }
};

}  // namespace

TEST_F(AccessKeys, TheAceBuildSelectsItsAceOptionForAnAceSourceAndTheJet40BuildShowsFive)
{
    schema::Database ace = shopModel(m_source);
    ace.version = u"12.0"_s;
    {
        const BuildForTest build(tabulo::ace120Build());
        tabulo::gobjWriteNewDatabase().setDBSource(m_engine->makeDatabase(ace));
        open(false);
        ASSERT_EQ(page(), 1);
        EXPECT_EQ(button(u"optVersion(5)"_s)->text(), u"&ACE 12.0 (Access 2007 and later)"_s);
        EXPECT_TRUE(button(u"optVersion(5)"_s)->isChecked());
        // Its key is free on the page, and reaches it.
        click(u"optDatabaseLocation(2)"_s);
        checkPage();
        m_form.reset();
        resetGenerator();
    }
    tabulo::gobjWriteNewDatabase().setDBSource(m_engine->makeDatabase(shopModel(m_source)));
    open(false);
    EXPECT_TRUE(button(u"optVersion(4)"_s)->isChecked());
    EXPECT_EQ(m_form->findChild<QWidget *>(u"optVersion(5)"_s), nullptr);
}
