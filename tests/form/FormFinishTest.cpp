// Finish: the settings passed at the end, the run, its event and its errors.

#include "WizardFixture.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace {

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll());
}

// Counts the paints of a progress bar and notes the value of each.
struct PaintCounter : QObject {
    int paints = 0;
    QList<int> values;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            values << static_cast<QProgressBar *>(watched)->value();
        }
        return false;
    }
};

}  // namespace

TEST_F(WizardFixture, FinishTwiceRunsTwiceAndRaisesTheEventEachTime)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    back();
    const QString codeFile = m_dir.filePath(u"CreateShop.bas"_s);
    type(u"txtCodeDestinationFile"_s, codeFile);
    // Settings read only at Finish.
    type(u"txtVarNameNewTable"_s, u"tblShop"_s);
    click(u"chkIncludeRelations"_s);
    QSignalSpy completions(m_form.get(), &tabulo::frmWizardMain::AfterWizardComplete);
    PaintCounter paints;
    w(u"pgMain"_s)->installEventFilter(&paints);
    PointerProbe pointer;
    w(u"sbMainPanel1"_s)->installEventFilter(&pointer);

    click(u"cmdFinish"_s);
    ASSERT_EQ(completions.count(), 1);
    EXPECT_TRUE(m_form->Succeeded());
    const QString code = readText(codeFile);
    EXPECT_TRUE(code.startsWith(u"Option Explicit\r\n"_s));
    EXPECT_TRUE(code.contains(u"tblShop"_s));
    EXPECT_TRUE(code.contains(u"\"Order Details\""_s));
    EXPECT_FALSE(tabulo::gobjWriteNewDatabase().IncludeRelations());
    EXPECT_FALSE(tabulo::gobjWriteNewDatabase().IncludeDesignProperties());
    EXPECT_FALSE(code.contains(u"SetDesignProperty"_s));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), tabulo::gobjWriteNewDatabase().ModuleText());
    EXPECT_EQ(messageTexts().last(),
              u"The Tabulo results have been copied to the clipboard and saved to <"_s + codeFile + u">."_s);
    // The progress bar was painted while the tables were read, and is gone now.
    EXPECT_GT(paints.paints, 0);
    EXPECT_FALSE(w(u"pgMain"_s)->isVisible());
    EXPECT_EQ(status(), u"Ready"_s);
    EXPECT_TRUE(pointer.shapes.contains(Qt::WaitCursor));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(m_form->isVisible());

    // The second run's bar starts at its minimum, not where the first ended.
    QFile::remove(codeFile);
    paints.values.clear();
    click(u"cmdFinish"_s);
    EXPECT_EQ(completions.count(), 2);
    EXPECT_TRUE(QFile::exists(codeFile));
    ASSERT_FALSE(paints.values.isEmpty());
    EXPECT_EQ(paints.values.first(), w<QProgressBar>(u"pgMain"_s)->minimum());
}

TEST_F(WizardFixture, FinishHandsOverWhatTheControlsShowNotWhatTheGeneratorHeld)
{
    // Settings an earlier window left in the shared generator.
    tabulo::clsWriteNewDatabase &g = tabulo::gobjWriteNewDatabase();
    g.setIncludeDatabaseWrapper(false);
    g.setVarNameNewField(u"fldOld"_s);
    g.setPathNameCodeFile(m_dir.filePath(u"old.bas"_s));
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    click(u"cmdFinish"_s);
    ASSERT_TRUE(m_form->Succeeded()) << messageTexts().join(u"\n"_s).toStdString();
    EXPECT_TRUE(g.IncludeDatabaseWrapper());
    EXPECT_EQ(g.VarNameNewField(), u"fldNew"_s);
    EXPECT_EQ(g.PathNameCodeFile(), QString());
    EXPECT_TRUE(g.ModuleText().contains(u"Sub CreateNewDatabase"_s)) << g.ModuleText().left(400).toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath(u"old.bas"_s)));
}

TEST_F(WizardFixture, FinishPassesTheLastSettings)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    back();
    back();
    click(u"optDatabaseLocation(1)"_s);
    type(u"txtDBNew"_s, u"/data/new.mdb"_s);
    click(u"optVersion(2)"_s);
    click(u"chkEncrypt"_s);
    auto *locale = w<QComboBox>(u"cboLocale"_s);
    locale->setFocus();
    QTest::keyClick(locale, Qt::Key_Down);
    next();
    clear(u"txtCodeDestinationFile"_s);     // no code file in /data: the clipboard only
    clear(u"txtVarNameNewQuery"_s);
    type(u"txtVarNameNewQuery"_s, u"qdfMine"_s);
    next();
    click(u"chkIncludeDesignProperties"_s);
    click(u"chkIncludeQueries"_s);
    click(u"cmdFinish"_s);
    const tabulo::clsWriteNewDatabase &g = tabulo::gobjWriteNewDatabase();
    EXPECT_EQ(g.Version(), 16);
    EXPECT_EQ(g.Encrypt(), 2);
    EXPECT_EQ(g.Locale(), u"dbLangArabic"_s);
    EXPECT_EQ(g.PathNameDBNew(), u"/data/new.mdb"_s);
    EXPECT_TRUE(g.IncludeDesignProperties());
    EXPECT_TRUE(g.settings().includeQueries);
    EXPECT_EQ(g.settings().varNameNewQuery, u"qdfMine"_s);
    EXPECT_TRUE(m_form->Succeeded()) << messageTexts().join(u"\n"_s).toStdString();
}

TEST_F(WizardFixture, ASecuredSourceGivesItsMessageAndNoEvent)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    QSignalSpy completions(m_form.get(), &tabulo::frmWizardMain::AfterWizardComplete);
    m_engine->faults().inject(u"TableDef.Fields"_s, 3110);
    click(u"cmdFinish"_s);
    EXPECT_EQ(completions.count(), 0);
    EXPECT_FALSE(m_form->Succeeded());
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].text.startsWith(
        u"The database you have specified has been secured using Microsoft Jet security.\r\n\r\n"_s));
    EXPECT_TRUE(m_messages.messages[0].text.endsWith(u"specify the correct security information."_s));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(w(u"pgMain"_s)->isVisible());
}

TEST_F(WizardFixture, ASecuredCallersDatabaseGivesTheOtherMessage)
{
    tabulo::gobjWriteNewDatabase().setDBSource(m_engine->makeDatabase(shopModel(m_source)));
    open(false);
    click(u"optDatabaseLocation(0)"_s);
    next();
    click(u"chkCopyToClipboard"_s);
    next();
    click(u"cmdAddAll"_s);
    m_engine->faults().inject(u"TableDef.Fields"_s, 3033);
    click(u"cmdFinish"_s);
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].text.startsWith(
        u"The current database has been secured using Microsoft Jet security.\r\nTabulo cannot read"_s));
}

TEST_F(WizardFixture, AFinishThatFailsIsReportedAndRaisesNoEvent)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    QSignalSpy completions(m_form.get(), &tabulo::frmWizardMain::AfterWizardComplete);
    QStringList shown = finishWith(u"txtTabStop"_s, QString());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(u"Calling Routine: frmWizardMain - cmdFinish_Click"_s));
    EXPECT_TRUE(shown[0].contains(u"Error: 13"_s));
    EXPECT_TRUE(shown[0].contains(u"The setting Tab Stop is empty; it must be 0 to"_s)) << shown[0].toStdString();
    EXPECT_EQ(completions.count(), 0);

    // Beyond 16 bits: the box is named as well.
    shown = finishWith(u"txtTabStop"_s, u"99999"_s);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(u"The setting Tab Stop is 99999; it must be 0 to"_s)) << shown[0].toStdString();

    // An engine failure in the run: reported the same way.
    m_engine->faults().inject(u"TableDefs.Refresh"_s, 3011);
    shown = finishWith(u"txtTabStop"_s, u"2"_s);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(u"Error: 3011"_s));
    EXPECT_EQ(completions.count(), 0);
    EXPECT_FALSE(m_form->Succeeded());
}

TEST_F(WizardFixture, AVariableNameTheModuleUsesIsRefusedAtFinish)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    const QString earlier = tabulo::gobjWriteNewDatabase().ModuleText();
    QSignalSpy completions(m_form.get(), &tabulo::frmWizardMain::AfterWizardComplete);
    const QStringList shown = finishWith(u"txtVarNameNewTable"_s, u"FldNew"_s);
    ASSERT_EQ(shown.size(), 1);
    const QString report = shown[0];
    EXPECT_TRUE(report.startsWith(u"Calling Routine: frmWizardMain - cmdFinish_Click"_s)) << report.toStdString();
    EXPECT_TRUE(report.contains(u"Error: 5"_s));
    // The boxes are named by their labels.
    EXPECT_TRUE(report.contains(u"Table variable «FldNew»"_s)) << report.toStdString();
    EXPECT_TRUE(report.contains(u"Field variable"_s)) << report.toStdString();
    EXPECT_EQ(completions.count(), 0);
    EXPECT_FALSE(m_form->Succeeded());
    EXPECT_EQ(tabulo::gobjWriteNewDatabase().ModuleText(), earlier);
}

TEST_F(WizardFixture, ATabStopAboveSixteenIsRefusedAtFinishNotWhileTyping)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    back();
    clear(u"txtTabStop"_s);
    type(u"txtTabStop"_s, u"300"_s);
    EXPECT_TRUE(m_messages.messages.isEmpty()) << messageTexts().join(u"\n"_s).toStdString();
    next();
    QSignalSpy completions(m_form.get(), &tabulo::frmWizardMain::AfterWizardComplete);
    click(u"cmdFinish"_s);
    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_TRUE(m_messages.messages[0].text.contains(u"Error: 5"_s));
    EXPECT_TRUE(m_messages.messages[0].text.contains(u"The setting Tab Stop is 300"_s))
        << m_messages.messages[0].text.toStdString();
    EXPECT_EQ(completions.count(), 0);

    const QStringList shown = finishWith(u"txtTabStop"_s, u"16"_s);
    EXPECT_EQ(completions.count(), 1) << shown.join(u"\n"_s).toStdString();
    EXPECT_TRUE(tabulo::gobjWriteNewDatabase().ModuleText().contains(QString(16, u' ') + u"On Error Goto"_s));
}
