// The window on real Jet files, read through the engine's file reader.

#include "FifoWatch.h"
#include "WizardFixture.h"
#include "wizard/engine/WizardBuild.h"

using namespace Qt::StringLiterals;

// The window on the Jet file engine.
class RealEngine : public WizardFixture {
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        dao::installDBEngine(nullptr);      // the Jet file engine
    }
};

TEST_F(RealEngine, ASourceThatIsAPipeGivesTheCannotOpenMessage)
{
    open();
    const QString pipe = m_dir.filePath(u"source.mdb"_s);
    FifoWatch fifo(pipe);
    ASSERT_TRUE(fifo.made());
    type(u"txtDBSource"_s, pipe);
    ASSERT_TRUE(button(u"cmdNext"_s)->isEnabled());
    next();
    EXPECT_EQ(fifo.unblocked(), 0) << "the window blocked opening the pipe";
    ASSERT_EQ(m_messages.messages.size(), 1) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_TRUE(messageTexts().first().contains(u"cannot open the file '"_s + pipe + u"': it is a named pipe"_s))
        << messageTexts().first().toStdString();
    EXPECT_TRUE(fifo.stillAFifo());
}

TEST_F(RealEngine, AWorkgroupThatIsAPipeGivesTheCannotOpenMessage)
{
    open();
    type(u"txtDBSource"_s, m_source);
    const QString workgroup = m_dir.filePath(u"system.mdw"_s);
    FifoWatch fifo(workgroup);
    type(u"txtMDWSource"_s, workgroup);
    type(u"txtUserNameSource"_s, u"admin"_s);
    next();
    EXPECT_EQ(fifo.unblocked(), 0) << "the window blocked opening the workgroup pipe";
    ASSERT_EQ(m_messages.messages.size(), 1) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_TRUE(messageTexts().first().contains(workgroup + u": it is a named pipe"_s))
        << messageTexts().first().toStdString();
}

// ... reading the real-file corpus.
class RealFiles : public RealEngine {
protected:
    void SetUp() override
    {
        RealEngine::SetUp();
        TABULO_NEED_TESTDATA();
    }
};

TEST_F(RealFiles, NorthwindFromSourceToCodeFile)
{
    open();
    type(u"txtDBSource"_s, testDataPath(u"northwind.mdb"_s));
    next();
    ASSERT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_TRUE(button(u"optVersion(4)"_s)->isChecked());
    click(u"optDatabaseLocation(1)"_s);
    type(u"txtDBNew"_s, m_dir.filePath(u"Northwind Copy.mdb"_s));
    next();
    const QString codeFile = m_dir.filePath(u"CreateDB_NorthwindCopy.bas"_s);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), codeFile);
    next();
    ASSERT_EQ(page(), 3);
    EXPECT_EQ(list(u"lstTablesAvailable"_s)->count(), 8);
    click(u"cmdAddAll"_s);
    QSignalSpy completions(m_form.get(), &tabulo::frmWizardMain::AfterWizardComplete);
    click(u"cmdFinish"_s);
    ASSERT_EQ(completions.count(), 1) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_TRUE(m_form->Succeeded());
    QFile file(codeFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString code = QString::fromLatin1(file.readAll());
    EXPECT_TRUE(code.contains(u"\"Order Details\""_s));
    EXPECT_TRUE(code.contains(u"Relations"_s));
    EXPECT_EQ(messageTexts().last(), u"The Tabulo results have saved to <"_s + codeFile + u">."_s);
}

TEST_F(RealFiles, AWrongDatabasePasswordLeadsBackToThePasswordBox)
{
    open();
    type(u"txtDBSource"_s, testDataPath(u"jet4-password.mdb"_s));
    type(u"txtPasswordDBSource"_s, u"wrong"_s);
    next();
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(messageTexts(), QStringList{u"Please enter a valid database password for the source database."_s});
    EXPECT_EQ(m_form->focusWidget(), box(u"txtPasswordDBSource"_s));
    EXPECT_EQ(box(u"txtPasswordDBSource"_s)->selectedText(), u"wrong"_s);

    QTest::keyClicks(box(u"txtPasswordDBSource"_s), u"password"_s);
    next();
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(m_messages.messages.size(), 1);
}

TEST_F(RealFiles, AnEncryptedAceFileOpensWithItsDatabasePassword)
{
    struct AceBuild {
        AceBuild() { tabulo::setWizardBuild(tabulo::ace120Build()); }
        ~AceBuild() { tabulo::setWizardBuild(tabulo::jet40Build()); }
    } aceBuild;
    for (const QString &name : {u"ace14-encrypted-standard.accdb"_s, u"ace14-encrypted-agile.accdb"_s}) {
        SCOPED_TRACE(name.toStdString());
        m_messages.messages.clear();
        open();
        type(u"txtDBSource"_s, testDataPath(name));
        type(u"txtPasswordDBSource"_s, u"wrong"_s);
        next();
        EXPECT_EQ(page(), 0);
        EXPECT_EQ(messageTexts(), QStringList{u"Please enter a valid database password for the source database."_s});
        EXPECT_EQ(m_form->focusWidget(), box(u"txtPasswordDBSource"_s));

        QTest::keyClicks(box(u"txtPasswordDBSource"_s), u"password"_s);   // replaces the selected "wrong"
        next();
        EXPECT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
        EXPECT_EQ(m_messages.messages.size(), 1);
    }
}

TEST_F(RealFiles, AChangedWorkgroupLoginIsCheckedAgain)
{
    open();
    type(u"txtDBSource"_s, testDataPath(u"northwind.mdb"_s));
    type(u"txtMDWSource"_s, testDataPath(u"workgroup.mdw"_s));
    type(u"txtUserNameSource"_s, u"admin"_s);
    next();
    ASSERT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
    back();
    clear(u"txtUserNameSource"_s);
    type(u"txtUserNameSource"_s, u"nobody"_s);
    type(u"txtPasswordSource"_s, u"secret"_s);
    clear(u"txtDBSource"_s);
    type(u"txtDBSource"_s, testDataPath(u"jet4-types.mdb"_s));
    next();
    EXPECT_EQ(page(), 0) << "a login the workgroup refuses opened page 1";
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(messageTexts().first().contains(u"invalid username or password"_s)) << messageTexts().first().toStdString();
}

// A database password changed after the source opened is checked on the
// next Next: a wrong one leads back to its box, and Finish is never reached.
TEST_F(RealFiles, AChangedDatabasePasswordIsCheckedAgain)
{
    struct Case {
        QString file;
        tabulo::WizardBuild build;
    };
    const Case cases[] = {{u"ace14-encrypted-standard.accdb"_s, tabulo::ace120Build()},
                          {u"jet4-password.mdb"_s, tabulo::jet40Build()}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        tabulo::setWizardBuild(c.build);
        m_messages.messages.clear();
        open();
        type(u"txtDBSource"_s, testDataPath(c.file));
        type(u"txtPasswordDBSource"_s, u"password"_s);
        next();
        ASSERT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
        back();
        clear(u"txtPasswordDBSource"_s);
        type(u"txtPasswordDBSource"_s, u"wrong"_s);
        next();
        EXPECT_EQ(page(), 0) << "a wrong database password opened page 1";
        EXPECT_EQ(messageTexts(), QStringList{u"Please enter a valid database password for the source database."_s});
        EXPECT_EQ(m_form->focusWidget(), box(u"txtPasswordDBSource"_s));

        // The right one again opens it again.
        QTest::keyClicks(box(u"txtPasswordDBSource"_s), u"password"_s);
        next();
        EXPECT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
        EXPECT_EQ(m_messages.messages.size(), 1);
        m_form.reset();
        resetGenerator();
    }
    tabulo::setWizardBuild(tabulo::jet40Build());
}

// A damaged source: the module is written without what could not be read,
// and a message after the closing one says what that is.
TEST_F(RealFiles, ADamagedSourceIsNamedAfterFinishWithWhatItLost)
{
    open();
    const QString source = testDataPath(u"damaged/relations-null-usage-map.mdb"_s);
    type(u"txtDBSource"_s, source);
    next();
    ASSERT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
    click(u"optDatabaseLocation(0)"_s);
    next();
    click(u"chkCopyToClipboard"_s);
    next();
    ASSERT_EQ(page(), 3);
    click(u"cmdAddAll"_s);
    click(u"cmdFinish"_s);
    EXPECT_TRUE(m_form->Succeeded());
    ASSERT_EQ(m_messages.messages.size(), 2) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_EQ(messageTexts().first(), u"The Tabulo results have been copied to the clipboard."_s);
    EXPECT_EQ(messageTexts().last(),
              u"The source database is damaged: the module lacks what could not be read.\r\n\r\n'"_s + source
                  + u"': the relationships could not be read (the table MSysRelationships is damaged); the module "
                    "recreates neither them nor the indexes of their foreign keys."_s);
}

// Fields no DAO type names are left out of the module; a message after the
// closing one names each, as tabulo-cli's warnings do.
TEST_F(RealFiles, LeftOutFieldsAreNamedAfterFinish)
{
    tabulo::setWizardBuild(tabulo::ace120Build());
    open();
    type(u"txtDBSource"_s, testDataPath(u"ace12-unknown-types.accdb"_s));
    next();
    ASSERT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
    click(u"optDatabaseLocation(0)"_s);
    next();
    click(u"chkCopyToClipboard"_s);
    next();
    ASSERT_EQ(page(), 3);
    click(u"cmdAddAll"_s);
    click(u"cmdFinish"_s);
    tabulo::setWizardBuild(tabulo::jet40Build());
    EXPECT_TRUE(m_form->Succeeded());
    ASSERT_EQ(m_messages.messages.size(), 2) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_EQ(messageTexts().first(), u"The Tabulo results have been copied to the clipboard."_s);
    EXPECT_EQ(messageTexts().last(),
              u"The new database will lack the fields that no DAO type names.\r\n\r\n"
              u"table \"Test\", field \"UnknownVar\": its storage type 0x46 has no DAO type; the module leaves it out.\r\n"
              u"table \"Test\", field \"UnknownFix\": its storage type 0x47 has no DAO type; the module leaves it out."_s);
    EXPECT_EQ(m_messages.messages.last().style, pembry::mb::OKOnly | pembry::mb::Exclamation);
}

// Saved queries over tables left out are left out too; a message after the
// closing one names each, as tabulo-cli's warnings do.
TEST_F(RealFiles, LeftOutQueriesAreNamedAfterFinish)
{
    open();
    type(u"txtDBSource"_s, testDataPath(u"northwind.mdb"_s));
    next();
    ASSERT_EQ(page(), 1) << messageTexts().join(u"\n"_s).toStdString();
    click(u"optDatabaseLocation(0)"_s);
    next();
    click(u"chkCopyToClipboard"_s);
    next();
    ASSERT_EQ(page(), 3);
    list(u"lstTablesAvailable"_s)->setCurrentRow(0);   // Categories
    click(u"cmdAddOne"_s);
    click(u"chkIncludeQueries"_s);
    click(u"cmdFinish"_s);
    EXPECT_TRUE(m_form->Succeeded());
    ASSERT_EQ(m_messages.messages.size(), 2) << messageTexts().join(u"\n"_s).toStdString();
    const QStringList lines = messageTexts().last().split(u"\r\n"_s);
    ASSERT_EQ(lines.size(), 2 + 22) << messageTexts().last().toStdString();
    EXPECT_EQ(lines[0], u"Not every saved query is recreated as the source has it; a \"'Left out:\" comment in the "
                        u"Queries procedure marks each query left out."_s);
    EXPECT_EQ(lines[2], u"query \"Alphabetical List of Products\" reads \"Products\", which is not among the chosen "
                        u"tables; the module leaves the query out."_s);
    EXPECT_FALSE(tabulo::gobjWriteNewDatabase().ModuleText().contains(u"QueryDef"_s));
}

// The Jet 3.5 build refuses newer files, and sends the user to the build that
// opens each: the ACE build for an ACE file (whatever its name), the Jet 4.0
// build for a Jet 4 file.
TEST_F(RealFiles, TheJet35BuildNamesTheBuildThatOpensTheFile)
{
    tabulo::setWizardBuild(tabulo::jet35Build());
    const QString renamedAce = m_dir.filePath(u"renamed.mdb"_s);
    ASSERT_TRUE(QFile::copy(testDataPath(u"ace12-unknown-types.accdb"_s), renamedAce));
    const struct {
        QString path;
        QString advice;
    } cases[] = {
        {testDataPath(u"ace12-unknown-types.accdb"_s),
         u"This version of Tabulo reads the databases of Access 97 and earlier (Jet 3.5 and before); the ACE 12.0 "
         u"version of Tabulo opens the databases of Access 2007 and later (.accdb)."_s},
        {renamedAce,
         u"This version of Tabulo reads the databases of Access 97 and earlier (Jet 3.5 and before); the ACE 12.0 "
         u"version of Tabulo opens the databases of Access 2007 and later (.accdb)."_s},
        {testDataPath(u"northwind.mdb"_s), u"Please rerun Tabulo setup and ensure that you install the Jet 4.0 version."_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        m_messages.messages.clear();
        open();
        type(u"txtDBSource"_s, c.path);
        next();
        EXPECT_EQ(page(), 0);
        ASSERT_EQ(m_messages.messages.size(), 1);
        EXPECT_TRUE(messageTexts().first().endsWith(u"\r\n"_s + c.advice)) << messageTexts().first().toStdString();
        m_form.reset();
        resetGenerator();
    }
    tabulo::setWizardBuild(tabulo::jet40Build());
}
