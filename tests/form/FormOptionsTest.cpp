// The option controls: what they hand to the generator and what they enable.

#include "WizardFixture.h"
#include "utility/BasicError.h"

#include <QDir>
#include <QGroupBox>
#include <QProcess>

using namespace Qt::StringLiterals;

TEST_F(WizardFixture, ControlsOpenWithTheirCaptionsAndStates)
{
    open();
    struct Caption {
        QString name;
        QString text;
    };
    const QList<Caption> captions = {
        {u"optDatabaseLocation(0)"_s, u"Create tables in \"&Current\" Database"_s},
        {u"optDatabaseLocation(1)"_s, u"Create a new &database in the following location:"_s},
        {u"optDatabaseLocation(2)"_s, u"Use &Run-time Variable"_s},
        {u"optVersion(3)"_s, u"Jet &3.0/3.5 (Access 95/97)"_s},
        {u"chkEncrypt"_s, u"&Encrypt"_s},
        {u"chkCopyToClipboard"_s, u"Copy t&o Clipboard"_s},
        {u"chkInsertIntoModule"_s, u"Insert into New &Module"_s},   // "N" is Next's key
        {u"chkRunNotepad"_s, u"Op&en in Notepad"_s},
        {u"chkWriteVB5Header"_s, u"Include &VB Header Information"_s},
        {u"chkIncludeRelations"_s, u"&Create Relations in new Database"_s},
        {u"chkIncludeDatabaseWrapper"_s, u"&Write Database Wrapper Function"_s},
        {u"chkIncludeDesignProperties"_s, u"Include &Descriptions and Display Properties"_s},
        {u"chkIncludeQueries"_s, u"Include saved &Queries"_s},
        {u"optNewDBSecurity(2)"_s, u"Use &Hardcoded Security Parameters"_s},
        {u"cmdBack"_s, u"<< &Back"_s},
        {u"cmdNext"_s, u"&Next >>"_s},
        {u"cmdFinish"_s, u"&Finish"_s},
        {u"cmdCancel"_s, u"Close"_s},
        {u"cmdAddAll"_s, u">>"_s}};
    for (const Caption &c : captions)
        EXPECT_EQ(button(c.name)->text(), c.text) << c.name.toStdString();
    EXPECT_EQ(w<QLabel>(u"lblMDWNew"_s)->text(), u"New &MDW"_s);

    for (const QString &masked : {u"txtPasswordSource"_s, u"txtPasswordDBSource"_s, u"txtPasswordNew"_s,
                                  u"txtPasswordDBNew"_s})
        EXPECT_EQ(box(masked)->echoMode(), QLineEdit::Password) << masked.toStdString();
    EXPECT_EQ(box(u"txtDBSource"_s)->echoMode(), QLineEdit::Normal);
    expectEnabled({u"txtUserNameSource"_s, u"txtPasswordSource"_s, u"txtMDWNew"_s, u"txtUserNameNew"_s,
                   u"txtPasswordNew"_s, u"txtPasswordDBNew"_s, u"cmdBrowseNewMDW"_s, u"chkRunNotepad"_s,
                   u"chkWriteVB5Header"_s, u"optInsertTopBottom(0)"_s, u"lblUserNameNew"_s}, false);
    EXPECT_EQ(box(u"txtVarNameNewTable"_s)->text(), u"tdfNew"_s);
    EXPECT_EQ(box(u"txtProcPrefix"_s)->text(), u"subCreate_"_s);
    EXPECT_EQ(box(u"txtTabStop"_s)->text(), u"3"_s);
    EXPECT_TRUE(button(u"chkIncludeRelations"_s)->isChecked());
    EXPECT_FALSE(button(u"chkIncludeDesignProperties"_s)->isChecked());
    EXPECT_FALSE(button(u"chkIncludeQueries"_s)->isChecked());
    EXPECT_EQ(box(u"txtVarNameNewQuery"_s)->text(), u"qdfNew"_s);
    EXPECT_EQ(w<QLabel>(u"lblVarNameNewQuery"_s)->text(), u"&Query"_s);
    EXPECT_TRUE(button(u"optNewDBSecurity(0)"_s)->isChecked());
    EXPECT_TRUE(button(u"optInsertTopBottom(1)"_s)->isChecked());
    EXPECT_FALSE(button(u"chkInsertIntoModule"_s)->isVisibleTo(m_form.get()));
    EXPECT_FALSE(w(u"fraInsertTopBottom"_s)->isVisibleTo(m_form.get()));
    auto *locale = w<QComboBox>(u"cboLocale"_s);
    EXPECT_EQ(locale->count(), 21);
    EXPECT_EQ(locale->currentText(), u"dbLangGeneral"_s);
    EXPECT_EQ(locale->itemText(20), u"dbLangTurkish"_s);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(button(u"optVersion(%1)"_s.arg(i))->isChecked());
    EXPECT_EQ(w(u"fraVersion"_s)->toolTip(), u"Version of the new database"_s);
    EXPECT_EQ(button(u"cmdCancel"_s)->toolTip(), u"Close the Wizard"_s);
    EXPECT_EQ(box(u"txtDBNew"_s)->toolTip(), u"Location of the new database to hardcode into the module"_s);
}

TEST_F(WizardFixture, HelpTextFollowsTheFocusAndTextIsSelected)
{
    open();
    EXPECT_EQ(status(), u"Database to be duplicated"_s);   // txtDBSource has the focus
    type(u"txtMDWSource"_s, u"x"_s);
    EXPECT_EQ(status(), u"Workgroup that secures the source database"_s);
    QTest::keyClick(box(u"txtMDWSource"_s), Qt::Key_Tab);   // to the browse button: no help text
    EXPECT_EQ(status(), u"Ready"_s);
    QTest::keyClick(m_form->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(m_form->focusWidget(), box(u"txtUserNameSource"_s));
    EXPECT_EQ(status(), u"Username to log into the source workgroup"_s);
    box(u"txtMDWSource"_s)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(box(u"txtMDWSource"_s)->selectedText(), u"x"_s);
}

TEST_F(WizardFixture, TheSourceWorkgroupEnablesItsUserAndPassword)
{
    open();
    type(u"txtMDWSource"_s, u"/data/secure.mdw"_s);
    expectEnabled({u"txtUserNameSource"_s, u"txtPasswordSource"_s}, true);
    type(u"txtUserNameSource"_s, u"Clerk"_s);
    type(u"txtPasswordSource"_s, u"pw"_s);
    type(u"txtPasswordDBSource"_s, u"db"_s);
    clear(u"txtMDWSource"_s);
    expectEnabled({u"txtUserNameSource"_s, u"txtPasswordSource"_s}, false);
    const tabulo::clsWriteNewDatabase &g = tabulo::gobjWriteNewDatabase();
    EXPECT_EQ(g.PathNameMDWSource(), QString());
    EXPECT_EQ(g.UserNameSource(), u"Clerk"_s);      // kept, and still handed over
    EXPECT_EQ(g.PasswordMDWSource(), u"pw"_s);
    EXPECT_EQ(g.PasswordDBSource(), u"db"_s);
}

TEST_F(WizardFixture, TheLocationDecidesWhatTheNewDatabaseOptionsAllow)
{
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    // Typing a path while no location is chosen chooses "a new database".
    type(u"txtDBNew"_s, u"/"_s);
    EXPECT_TRUE(button(u"optDatabaseLocation(1)"_s)->isChecked());
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_EQ(m_form->chosenSettings().pathNameDBNew, u"/"_s);
    clear(u"txtDBNew"_s);
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());

    click(u"optDatabaseLocation(0)"_s);
    EXPECT_EQ(m_form->chosenSettings().pathNameDBNew, u"Current"_s);
    expectEnabled({u"fraVersion"_s, u"cboLocale"_s, u"chkEncrypt"_s, u"txtDBNew"_s, u"cmdBrowseNewDB"_s}, false);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());

    click(u"optDatabaseLocation(2)"_s);
    EXPECT_EQ(m_form->chosenSettings().pathNameDBNew, u"Variable"_s);
    EXPECT_TRUE(w(u"fraVersion"_s)->isEnabled());
    EXPECT_FALSE(box(u"txtDBNew"_s)->isEnabled());

    // Enter right after the click goes on at once: Next is already enabled.
    QTest::keyClick(button(u"optDatabaseLocation(2)"_s), Qt::Key_Return);
    EXPECT_EQ(page(), 2);
    back();

    // Tab into the Version group lands on the selected version.
    ASSERT_TRUE(button(u"optVersion(4)"_s)->isChecked());
    button(u"optDatabaseLocation(2)"_s)->setFocus();
    QTest::keyClick(m_form->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(m_form->focusWidget(), button(u"optVersion(4)"_s));
    // Arrow keys still move among the versions.
    QTest::keyClick(m_form->focusWidget(), Qt::Key_Up);
    EXPECT_TRUE(button(u"optVersion(3)"_s)->isChecked());
    QTest::keyClick(m_form->focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(m_form->focusWidget(), button(u"optDatabaseLocation(2)"_s));
}

TEST_F(WizardFixture, TheCodePageProposesAFileBesideTheNewDatabase)
{
    const QString folder = QDir(m_dir.path()).absolutePath();
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    type(u"txtDBNew"_s, folder + u"/My New Db.mdb"_s);
    next();
    ASSERT_EQ(page(), 2);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), folder + u"/CreateDB_MyNewDb.bas"_s);
    EXPECT_EQ(m_form->chosenSettings().pathNameCodeFile, folder + u"/CreateDB_MyNewDb.bas"_s);
    EXPECT_EQ(m_form->focusWidget(), box(u"txtCodeDestinationFile"_s));
    expectEnabled({u"cmdNext"_s, u"chkRunNotepad"_s, u"chkWriteVB5Header"_s}, true);

    // A name the user typed stays; Windows paths keep their separator.
    clear(u"txtCodeDestinationFile"_s);
    expectEnabled({u"cmdNext"_s, u"chkRunNotepad"_s}, false);
    type(u"txtCodeDestinationFile"_s, folder + u"/mine.bas"_s);
    back();
    clear(u"txtDBNew"_s);
    type(u"txtDBNew"_s, u"D:\\Data\\My Db.mdb"_s);
    next();
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), folder + u"/mine.bas"_s);
    clear(u"txtCodeDestinationFile"_s);
    back();
    next();
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), u"D:\\Data\\CreateDB_MyDb.bas"_s);
    // That folder does not exist here: Next waits for the clipboard choice.
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
    click(u"chkCopyToClipboard"_s);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_TRUE(m_form->chosenSettings().copyToClipboard);

    // Short paths get no proposal.
    clear(u"txtCodeDestinationFile"_s);
    back();
    clear(u"txtDBNew"_s);
    type(u"txtDBNew"_s, u"a.mdb"_s);
    next();
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), QString());
}

// The code page's "Write as" choice: the Basic module or an SQL script.
class WriteAs : public WizardFixture {
protected:
    // Chooses the entry `text` with the keyboard: its access key, then the
    // arrow keys.
    void writeAs(const QString &text)
    {
        auto *choice = w<QComboBox>(u"cboWriteAs"_s);
        m_form->activateWindow();       // a file dialog may have had the focus
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
        pressKey(Qt::Key_W, Qt::AltModifier);
        ASSERT_EQ(m_form->focusWidget(), choice)
            << (m_form->focusWidget() ? m_form->focusWidget()->objectName().toStdString() : "none") << " active "
            << m_form->isActiveWindow();
        QTest::keyClick(choice, Qt::Key_Home);
        for (int i = 0; i < choice->count() && choice->currentText() != text; ++i)
            QTest::keyClick(choice, Qt::Key_Down);
        ASSERT_EQ(choice->currentText(), text);
    }

    // The named controls of every page that are enabled, sorted.
    QStringList enabledControls() const
    {
        QStringList names;
        for (const QWidget *control : m_form->findChildren<QWidget *>()) {
            const QString name = control->objectName();
            if (!name.isEmpty() && !name.startsWith(u"qt_"_s) && control->isEnabled())
                names << name;
        }
        names.sort();
        return names;
    }

    static QStringList minus(QStringList names, const QStringList &removed)
    {
        names.removeIf([&](const QString &name) { return removed.contains(name); });
        return names;
    }

    static inline const QString kModule = u"Basic module (VBA/DAO)"_s;
    static inline const QString kPostgreSql = u"SQL script for PostgreSQL"_s;
};

TEST_F(WriteAs, AnSqlScriptDisablesWhatMeansNothingForItAndTheModuleEnablesItAgain)
{
    open(true, true);
    type(u"txtDBSource"_s, m_source);
    next();
    click(u"optDatabaseLocation(2)"_s);     // the new database's path box stays disabled
    next();
    auto *choice = w<QComboBox>(u"cboWriteAs"_s);
    QStringList entries;
    for (int i = 0; i < choice->count(); ++i)
        entries << choice->itemText(i);
    EXPECT_EQ(entries, (QStringList{kModule, u"SQL script for SQLite"_s, kPostgreSql,
                                    u"SQL script for MariaDB/MySQL"_s}));
    EXPECT_EQ(choice->currentText(), kModule);
    type(u"txtCodeDestinationFile"_s, m_dir.filePath(u"shop.bas"_s));
    click(u"chkInsertIntoModule"_s);
    clear(u"txtTabStop"_s);                 // no count: the module cannot be written
    next();
    click(u"cmdAddAll"_s);
    next();
    click(u"optNewDBSecurity(2)"_s);        // hardcoded, without its login
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());
    back();
    back();
    ASSERT_EQ(page(), 2);
    const QStringList forTheModule = enabledControls();

    writeAs(kPostgreSql);
    const QStringList forTheScript = enabledControls();
    // Everything of the new database, its format and security, the module's
    // names, header, wrapper and design properties, and the host's module.
    EXPECT_EQ(minus(forTheModule, forTheScript),
              (QStringList{u"cboLocale"_s, u"chkEncrypt"_s, u"chkIncludeDatabaseWrapper"_s,
                           u"chkIncludeDesignProperties"_s, u"chkIncludeQueries"_s, u"chkInsertIntoModule"_s, u"chkWriteVB5Header"_s,
                           u"cmdBrowseNewMDW"_s, u"fraInsertTopBottom"_s, u"fraLocation"_s, u"fraVersion"_s,
                           u"fraWizard(1)"_s, u"fraWizard(4)"_s, u"lblLocale"_s, u"lblMDWNew"_s,
                           u"lblPasswordDBNew"_s, u"lblPasswordNew"_s, u"lblProcPrefix"_s, u"lblTabStop"_s,
                           u"lblUserNameNew"_s, u"lblVarNameNewDB"_s, u"lblVarNameNewField"_s,
                           u"lblVarNameNewIndex"_s, u"lblVarNameNewQuery"_s, u"lblVarNameNewRelation"_s, u"lblVarNameNewTable"_s,
                           u"optDatabaseLocation(0)"_s, u"optDatabaseLocation(1)"_s, u"optDatabaseLocation(2)"_s,
                           u"optInsertTopBottom(0)"_s, u"optInsertTopBottom(1)"_s, u"optNewDBSecurity(0)"_s,
                           u"optNewDBSecurity(1)"_s, u"optNewDBSecurity(2)"_s, u"optVersion(0)"_s,
                           u"optVersion(1)"_s, u"optVersion(2)"_s, u"optVersion(3)"_s, u"optVersion(4)"_s,
                           u"txtMDWNew"_s, u"txtPasswordDBNew"_s, u"txtPasswordNew"_s, u"txtProcPrefix"_s,
                           u"txtTabStop"_s, u"txtUserNameNew"_s, u"txtVarNameNewDB"_s, u"txtVarNameNewField"_s,
                           u"txtVarNameNewIndex"_s, u"txtVarNameNewQuery"_s, u"txtVarNameNewRelation"_s, u"txtVarNameNewTable"_s}));
    // The hardcoded login no longer holds Finish back.
    EXPECT_EQ(minus(forTheScript, forTheModule), (QStringList{u"chkLowercaseNames"_s, u"cmdFinish"_s}));

    // What is disabled is handed over at its initial value: the empty tab
    // stop box does not fail Finish.
    const tabulo::GeneratorSettings &initial = tabulo::GeneratorSettings::windowInitial();
    tabulo::GeneratorSettings settings = m_form->chosenSettings();
    EXPECT_EQ(settings.sqlDialect, u"postgresql"_s);
    EXPECT_FALSE(settings.lowercaseNames);
    EXPECT_EQ(settings.tabStop, initial.tabStop);
    EXPECT_EQ(settings.insertPosition, 0);
    EXPECT_EQ(settings.newDBSecurity, 0);
    EXPECT_EQ(settings.pathNameDBNew, initial.pathNameDBNew);
    EXPECT_EQ(settings.pathNameCodeFile, m_dir.filePath(u"shop.sql"_s));
    click(u"chkLowercaseNames"_s);
    EXPECT_TRUE(m_form->chosenSettings().lowercaseNames);
    next();
    next();
    ASSERT_EQ(page(), 4);
    EXPECT_TRUE(button(u"cmdFinish"_s)->isEnabled());
    back();
    back();

    // Back to the module: every control as it was, the path box still
    // disabled, Finish waiting for the login again.
    writeAs(kModule);
    EXPECT_EQ(enabledControls(), forTheModule);
    EXPECT_THROW(m_form->chosenSettings(), pembry::BasicError);
    type(u"txtTabStop"_s, u"4"_s);
    settings = m_form->chosenSettings();
    EXPECT_EQ(settings.sqlDialect, QString());
    EXPECT_FALSE(settings.lowercaseNames);      // ticked, but for a script only
    EXPECT_EQ(settings.tabStop, 4);
    EXPECT_EQ(settings.insertPosition, 2);
    EXPECT_EQ(settings.pathNameDBNew, u"Variable"_s);
    EXPECT_EQ(settings.pathNameCodeFile, m_dir.filePath(u"shop.bas"_s));
}

TEST_F(WriteAs, TheCodeFileTakesTheScriptsExtensionWhileItHasTheDefaultOne)
{
    const QString folder = QDir(m_dir.path()).absolutePath();
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    type(u"txtDBNew"_s, folder + u"/My New Db.mdb"_s);
    next();
    const QString proposed = folder + u"/CreateDB_MyNewDb"_s;
    ASSERT_EQ(box(u"txtCodeDestinationFile"_s)->text(), proposed + u".bas"_s);
    writeAs(u"SQL script for SQLite"_s);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), proposed + u".sql"_s);
    writeAs(kPostgreSql);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), proposed + u".sql"_s);
    writeAs(kModule);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), proposed + u".bas"_s);

    // A name of the user's own keeps its extension.
    clear(u"txtCodeDestinationFile"_s);
    type(u"txtCodeDestinationFile"_s, folder + u"/mine.txt"_s);
    writeAs(kPostgreSql);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), folder + u"/mine.txt"_s);

    // A proposal made while a script is chosen is a script's.
    clear(u"txtCodeDestinationFile"_s);
    back();
    next();
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), proposed + u".sql"_s);

    // So is the browse dialog, and the name confirmed there.
    FileDialogDriver dialogs;
    dialogs.answerNext(FileDialogDriver::accept(folder + u"/shop"_s));
    click(u"cmdBrowseCodeFile"_s);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), folder + u"/shop.sql"_s);
    writeAs(kModule);
    click(u"cmdBrowseCodeFile"_s);
    ASSERT_EQ(dialogs.seen.size(), 2);
    EXPECT_FALSE(dialogs.leftOpen);
    EXPECT_EQ(dialogs.seen[0].title, u"Save SQL Script As"_s);
    EXPECT_EQ(dialogs.seen[0].filters,
              (QStringList{u"SQL Scripts (*.sql)"_s, u"Text Files (*.txt)"_s, u"All Files (*)"_s}));
    EXPECT_EQ(dialogs.seen[0].selectedFilter, u"SQL Scripts (*.sql)"_s);
    EXPECT_EQ(dialogs.seen[0].defaultSuffix, u"sql"_s);
    EXPECT_TRUE(dialogs.seen[0].confirmOverwrite);
    EXPECT_EQ(dialogs.seen[1].title, u"Save Code Template As"_s);
    EXPECT_EQ(dialogs.seen[1].defaultSuffix, u"bas"_s);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), folder + u"/shop.bas"_s);
}

// The window and tabulo-cli write the same script for the same choices.
// MariaDB refuses Northwind's one rule with Date(): the script leaves it out,
// and the window says so after Finish, as tabulo-cli warns.
TEST_F(WriteAs, FinishWritesTheScriptTabuloCliWrites)
{
    TABULO_NEED_TESTDATA();
    dao::installDBEngine(nullptr);      // the Jet file engine
    const QString source = testDataPath(u"northwind.mdb"_s);
    open();
    type(u"txtDBSource"_s, source);
    next();
    ASSERT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
    click(u"optDatabaseLocation(2)"_s);
    next();
    writeAs(u"SQL script for MariaDB/MySQL"_s);
    const QString windowScript = m_dir.filePath(u"window.sql"_s);
    type(u"txtCodeDestinationFile"_s, windowScript);
    next();
    click(u"cmdAddAll"_s);
    QSignalSpy completions(m_form.get(), &tabulo::frmWizardMain::AfterWizardComplete);
    click(u"cmdFinish"_s);
    ASSERT_EQ(completions.count(), 1) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_TRUE(m_form->Succeeded());

    const QString cliScript = m_dir.filePath(u"cli.sql"_s);
    QProcess cli;
    cli.start(QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-cli"),
              {source, u"--sql"_s, u"mysql"_s, u"-o"_s, cliScript});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    QFile fromWindow(windowScript);
    QFile fromCli(cliScript);
    ASSERT_TRUE(fromWindow.open(QIODevice::ReadOnly));
    ASSERT_TRUE(fromCli.open(QIODevice::ReadOnly));
    const QByteArray script = fromWindow.readAll();
    EXPECT_TRUE(script.startsWith("--")) << script.left(200).toStdString();
    EXPECT_FALSE(script.contains('\r'));
    EXPECT_EQ(script, fromCli.readAll());
    const QString messages = messageTexts().join(u"\n"_s);
    EXPECT_TRUE(messages.contains(u"table \"Employees\", field \"BirthDate\": the validation rule <Date()"_s))
        << messages.toStdString();
}

// The window and tabulo-cli write the same module with the saved queries,
// their variable and the design properties.
TEST_F(WriteAs, FinishWritesTheModuleWithQueriesTabuloCliWrites)
{
    TABULO_NEED_TESTDATA();
    dao::installDBEngine(nullptr);      // the Jet file engine
    const QString source = testDataPath(u"northwind.mdb"_s);
    open();
    type(u"txtDBSource"_s, source);
    next();
    ASSERT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
    click(u"optDatabaseLocation(2)"_s);
    next();
    const QString windowModule = m_dir.filePath(u"window.bas"_s);
    type(u"txtCodeDestinationFile"_s, windowModule);
    clear(u"txtVarNameNewQuery"_s);
    type(u"txtVarNameNewQuery"_s, u"qdfCopy"_s);
    next();
    click(u"cmdAddAll"_s);
    click(u"chkIncludeQueries"_s);
    click(u"chkIncludeDesignProperties"_s);
    QSignalSpy completions(m_form.get(), &tabulo::frmWizardMain::AfterWizardComplete);
    click(u"cmdFinish"_s);
    ASSERT_EQ(completions.count(), 1) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_TRUE(m_form->Succeeded());

    const QString cliModule = m_dir.filePath(u"cli.bas"_s);
    QProcess cli;
    cli.start(QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-cli"),
              {source, u"--queries"_s, u"--query-var"_s, u"qdfCopy"_s, u"--design-properties"_s, u"-o"_s, cliModule});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    QFile fromWindow(windowModule);
    QFile fromCli(cliModule);
    ASSERT_TRUE(fromWindow.open(QIODevice::ReadOnly));
    ASSERT_TRUE(fromCli.open(QIODevice::ReadOnly));
    const QByteArray module = fromWindow.readAll();
    EXPECT_TRUE(module.contains("Set qdfCopy = dbNew.CreateQueryDef(")) << module.left(400).toStdString();
    EXPECT_EQ(module, fromCli.readAll());
}

TEST_F(WizardFixture, TheTabStopTakesDigitsOnly)
{
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    click(u"optDatabaseLocation(0)"_s);
    next();
    QLineEdit *tabStop = box(u"txtTabStop"_s);
    tabStop->setFocus();
    tabStop->selectAll();
    QTest::keyClicks(tabStop, u"4x"_s);
    EXPECT_EQ(tabStop->text(), u"4"_s);
    EXPECT_EQ(m_form->chosenSettings().tabStop, 4);
    QTest::keyClick(tabStop, Qt::Key_Backspace);
    EXPECT_EQ(tabStop->text(), QString());
    QTest::keyClicks(tabStop, u"-2"_s);
    EXPECT_EQ(tabStop->text(), u"2"_s);
    EXPECT_EQ(m_form->chosenSettings().tabStop, 2);
    EXPECT_EQ(status(), u"Number of spaces to insert for each tab indentation"_s);
}

TEST_F(WizardFixture, InsertIntoAModuleIsOfferedWhenAskedAndInsertsAtTheBottom)
{
    open(true, true);
    type(u"txtDBSource"_s, m_source);
    next();
    click(u"optDatabaseLocation(0)"_s);
    next();
    ASSERT_TRUE(button(u"chkInsertIntoModule"_s)->isVisible());
    EXPECT_FALSE(w(u"fraInsertTopBottom"_s)->isVisible());
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
    click(u"chkInsertIntoModule"_s);
    EXPECT_EQ(m_form->chosenSettings().insertPosition, 2);
    expectEnabled({u"cmdNext"_s, u"optInsertTopBottom(0)"_s}, true);
    click(u"chkInsertIntoModule"_s);
    EXPECT_EQ(m_form->chosenSettings().insertPosition, 0);
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
}

TEST_F(WizardFixture, HardcodedSecurityWaitsForWorkgroupAndUser)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    next();
    ASSERT_EQ(page(), 4);
    EXPECT_EQ(m_form->focusWidget(), button(u"optNewDBSecurity(0)"_s));
    EXPECT_TRUE(button(u"cmdFinish"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());

    click(u"optNewDBSecurity(2)"_s);
    EXPECT_EQ(m_form->chosenSettings().newDBSecurity, 2);
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());
    expectEnabled({u"txtMDWNew"_s, u"txtUserNameNew"_s, u"txtPasswordNew"_s, u"txtPasswordDBNew"_s,
                   u"lblMDWNew"_s, u"lblPasswordDBNew"_s, u"cmdBrowseNewMDW"_s}, true);
    type(u"txtMDWNew"_s, u"/secure/new.mdw"_s);
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());
    type(u"txtUserNameNew"_s, u"Owner"_s);
    EXPECT_TRUE(button(u"cmdFinish"_s)->isEnabled());
    type(u"txtPasswordDBNew"_s, u"pw"_s);
    EXPECT_EQ(m_form->chosenSettings().passwordDBNew, u";pwd=pw"_s);

    // No table chosen: the hardcoded choice still enables Finish on the other pages.
    back();
    click(u"cmdRemoveAll"_s);
    EXPECT_TRUE(button(u"cmdFinish"_s)->isEnabled());
    click(u"cmdAddAll"_s);
    next();
    ASSERT_EQ(page(), 4);
    clear(u"txtMDWNew"_s);
    expectEnabled({u"txtUserNameNew"_s, u"txtPasswordNew"_s, u"cmdFinish"_s}, false);
    click(u"optNewDBSecurity(1)"_s);
    EXPECT_FALSE(w(u"lblMDWNew"_s)->isEnabled());
    EXPECT_TRUE(button(u"cmdFinish"_s)->isEnabled());
}

// An access key whose control is disabled, or that no control has, does
// nothing: the box with the focus keeps its text.
TEST_F(WizardFixture, ADeadAccessKeyTypesNothingOnTheSourcePage)
{
    open();
    type(u"txtDBSource"_s, m_source);
    pressKey(Qt::Key_F, Qt::AltModifier);     // &Finish, disabled
    pressKey(Qt::Key_B, Qt::AltModifier);     // &Back, disabled
    pressKey(Qt::Key_Q, Qt::AltModifier);     // no control's key
    EXPECT_EQ(box(u"txtDBSource"_s)->text(), m_source);
    type(u"txtPasswordDBSource"_s, u"pw"_s);
    pressKey(Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(box(u"txtPasswordDBSource"_s)->text(), u"pw"_s);
    EXPECT_EQ(tabulo::gobjWriteNewDatabase().PasswordDBSource(), u"pw"_s);
    EXPECT_EQ(page(), 0);
}

TEST_F(WizardFixture, ADeadAccessKeyTypesNothingOnTheOptionsAndCodePages)
{
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    type(u"txtDBNew"_s, u"/new.mdb"_s);
    pressKey(Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(box(u"txtDBNew"_s)->text(), u"/new.mdb"_s);
    next();
    ASSERT_EQ(page(), 2);
    box(u"txtVarNameNewDB"_s)->setFocus(Qt::MouseFocusReason);     // selects the text
    pressKey(Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(box(u"txtVarNameNewDB"_s)->text(), u"dbNew"_s);
    EXPECT_EQ(page(), 2);
    pressKey(Qt::Key_T, Qt::AltModifier);     // &Table still takes the focus
    EXPECT_EQ(m_form->focusWidget(), box(u"txtVarNameNewTable"_s));
}

TEST_F(WizardFixture, ADeadAccessKeyTypesNothingOnTheSecurityPage)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    next();
    click(u"optNewDBSecurity(2)"_s);
    type(u"txtMDWNew"_s, u"/secure/new.mdw"_s);
    pressKey(Qt::Key_F, Qt::AltModifier);     // Finish waits for the user name
    pressKey(Qt::Key_N, Qt::AltModifier);     // no page after this one
    EXPECT_EQ(box(u"txtMDWNew"_s)->text(), u"/secure/new.mdw"_s);
    EXPECT_EQ(page(), 4);
}
