// The generator's settings: initial values, the writes that transform or
// check what they are given, and the status panel selection.

#include "FakeUi.h"
#include "utility/BasicError.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QSet>

#include <gtest/gtest.h>

using tabulo::clsWriteNewDatabase;

TEST(GeneratorSettings, FreshGeneratorHasTheInitialValues)
{
    clsWriteNewDatabase gen;
    EXPECT_EQ(gen.VarNameNewDB(), "dbNew");
    EXPECT_EQ(gen.VarNameNewTable(), "tblNew");
    EXPECT_EQ(gen.VarNameNewField(), "fldNew");
    EXPECT_EQ(gen.VarNameNewIndex(), "indxNew");
    EXPECT_EQ(gen.VarNameNewRelation(), "relNew");
    EXPECT_EQ(gen.ProcPrefix(), "subCreate_");
    EXPECT_EQ(gen.Locale(), "dbLangGeneral");
    EXPECT_EQ(gen.Version(), 32);
    EXPECT_EQ(gen.Encrypt(), 0);
    EXPECT_TRUE(gen.IncludeRelations());
    EXPECT_TRUE(gen.IncludeDatabaseWrapper());
    EXPECT_FALSE(gen.IncludeDesignProperties());
    EXPECT_EQ(gen.StatusBarPanelIndex(), 1);
    EXPECT_EQ(gen.IndentUnit(), "   ");
    EXPECT_EQ(gen.InsertPosition(), 0);
    EXPECT_EQ(gen.NewDBSecurity(), 0);
    EXPECT_FALSE(gen.WriteVB5Header());
    EXPECT_FALSE(gen.RunNotepad());
    EXPECT_FALSE(gen.CopyToClipboard());
    EXPECT_TRUE(gen.ModuleText().isEmpty());
    EXPECT_TRUE(gen.PathNameDBSource().isEmpty());
    EXPECT_TRUE(gen.PasswordDBNew().isEmpty());
    EXPECT_EQ(gen.SourceTablesAvailableList(), nullptr);
    EXPECT_EQ(gen.SourceTablesChosenList(), nullptr);
}

TEST(GeneratorSettings, ProcPrefixIsTrimmedAndLosesLeadingUnderscoresAndBlanks)
{
    clsWriteNewDatabase gen;
    const std::pair<QString, QString> cases[] = {
        {"___", ""},
        {"my proc_", "myproc_"},
        {" _x", "x"},
        {" _ _sub Make ", "subMake"},
        {"", ""},
        {"sub_", "sub_"},
        {"_ _ _ ", ""},
        {QString::fromUtf8("_Ärger Proc_"), QString::fromUtf8("ÄrgerProc_")},
    };
    for (const auto &[given, stored] : cases) {
        gen.setProcPrefix(given);
        EXPECT_EQ(gen.ProcPrefix(), stored) << given.toStdString();
    }
}

TEST(GeneratorSettings, ProcPrefixOfManyUnderscoresIsQuick)
{
    // A long run of leading underscores must not cost quadratic time.
    clsWriteNewDatabase gen;
    gen.setProcPrefix(QString(2'000'000, u'_') + QStringLiteral("x"));
    EXPECT_EQ(gen.ProcPrefix(), "x");
}

TEST(GeneratorSettings, PasswordDBNewIsKeptInConnectForm)
{
    clsWriteNewDatabase gen;
    gen.setPasswordDBNew("");
    EXPECT_EQ(gen.PasswordDBNew(), "");
    gen.setPasswordDBNew("s3cr\"et");
    EXPECT_EQ(gen.PasswordDBNew(), ";pwd=s3cr\"et");
    gen.setPasswordDBNew("");
    EXPECT_EQ(gen.PasswordDBNew(), "");
}

TEST(GeneratorSettings, TabStopSetsTheIndentUnitAndRefusesNegativeCounts)
{
    clsWriteNewDatabase gen;
    gen.setTabStop(0);
    EXPECT_EQ(gen.IndentUnit(), "");
    gen.setTabStop(8);
    EXPECT_EQ(gen.IndentUnit(), "        ");
    try {
        gen.setTabStop(-1);
        FAIL() << "a negative tab stop was accepted";
    } catch (const pembry::BasicError &e) {
        EXPECT_EQ(e.number(), 5);
        EXPECT_EQ(e.source(), "clsWriteNewDatabase  - TabStop");
    }
    EXPECT_EQ(gen.IndentUnit(), "        ");
    // Four indents of more than 16 blanks would not leave a Basic line room.
    gen.setTabStop(16);
    EXPECT_EQ(gen.IndentUnit(), QString(16, ' '));
    for (qint16 wide : {17, 300, 32767}) {
        try {
            gen.setTabStop(wide);
            ADD_FAILURE() << "the tab stop " << wide << " was accepted";
        } catch (const pembry::BasicError &e) {
            EXPECT_EQ(e.number(), 5);
            EXPECT_EQ(e.source(), "clsWriteNewDatabase  - TabStop");
            EXPECT_TRUE(e.description().contains("TabStop")) << e.description().toStdString();
        }
    }
    EXPECT_EQ(gen.IndentUnit(), QString(16, ' '));
}

TEST(GeneratorSettings, OtherSettingsAreStoredAsGiven)
{
    clsWriteNewDatabase gen;
    gen.setVersion(7);                // checked when generation starts, not here
    gen.setNewDBSecurity(9);
    gen.setLocale(";LANGID=0x0409");
    gen.setVarNameNewDB("");
    gen.setPathNameDBNew("Variable");
    EXPECT_EQ(gen.Version(), 7);
    EXPECT_EQ(gen.NewDBSecurity(), 9);
    EXPECT_EQ(gen.Locale(), ";LANGID=0x0409");
    EXPECT_EQ(gen.VarNameNewDB(), "");
    EXPECT_EQ(gen.PathNameDBNew(), "Variable");
}

// Which panel the generator writes its status to: listing the tables of a
// source that is not there shows a status text, then fails.
int writtenPanel(clsWriteNewDatabase &gen, FakeStatusBar &bar)
{
    FakeList available;
    gen.setSourceTablesAvailableList(&available);
    gen.setPathNameDBSource(QString());
    EXPECT_THROW(gen.FillSourceTablesAvailableList(), pembry::BasicError);
    gen.setSourceTablesAvailableList(nullptr);
    int written = 0;
    for (int i = 1; i <= int(bar.panels.size()); ++i) {
        if (!bar.panel(i).history.isEmpty())
            written = i;
        bar.panel(i).history.clear();
    }
    return written;
}

TEST(GeneratorSettings, StatusBarAndPanelIndexSelectTheStatusPanel)
{
    clsWriteNewDatabase gen;
    FakeStatusBar bar(3);
    EXPECT_EQ(writtenPanel(gen, bar), 0);

    gen.setStatusBar(&bar);              // before the index: panel 1
    EXPECT_EQ(writtenPanel(gen, bar), 1);

    gen.setStatusBarPanelIndex(3);       // afterwards: the new panel at once
    EXPECT_EQ(writtenPanel(gen, bar), 3);

    gen.setStatusBarPanelIndex(7);       // no such panel: nothing raised, panel kept
    EXPECT_EQ(gen.StatusBarPanelIndex(), 7);
    EXPECT_EQ(writtenPanel(gen, bar), 3);

    FakeStatusBar other(2);
    gen.setStatusBar(&other);            // index 7 fails there too: panel kept
    EXPECT_EQ(writtenPanel(gen, bar), 3);

    gen.setStatusBar(nullptr);           // no status bar: no status panel
    EXPECT_EQ(writtenPanel(gen, bar), 0);
}

TEST(GeneratorSettings, StatusTextIsRestoredAfterAFailedListing)
{
    clsWriteNewDatabase gen;
    FakeStatusBar bar(1);
    bar.panel(1).text = "Ready";
    gen.setStatusBar(&bar);
    FakeList available;
    gen.setSourceTablesAvailableList(&available);
    FakeProgress progress;
    progress.visible = true;
    gen.setProgressBar(&progress);
    EXPECT_THROW(gen.FillSourceTablesAvailableList(), pembry::BasicError);
    EXPECT_EQ(bar.panel(1).history,
              QStringList({"Retrieving list of tables in source database", "Ready"}));
    EXPECT_FALSE(progress.visible);
}

TEST(GeneratorSettings, WindowStartsFromTheGeneratorsValuesButForTheTableVariable)
{
    const tabulo::GeneratorSettings fresh;
    const tabulo::GeneratorSettings &window = tabulo::GeneratorSettings::windowInitial();
    EXPECT_EQ(fresh.varNameNewTable, "tblNew");
    EXPECT_EQ(window.varNameNewTable, "tdfNew");
    tabulo::GeneratorSettings same = window;
    same.varNameNewTable = fresh.varNameNewTable;
    EXPECT_EQ(same.varNameNewDB, fresh.varNameNewDB);
    EXPECT_EQ(same.tabStop, fresh.tabStop);
    EXPECT_EQ(same.procPrefix, fresh.procPrefix);
    EXPECT_EQ(same.locale, fresh.locale);
    EXPECT_EQ(fresh.indentUnit(), "   ");
    // The locale list starts with the default, and every constant is listed once.
    const QStringList &locales = tabulo::GeneratorSettings::locales();
    EXPECT_EQ(locales.size(), 21);
    EXPECT_EQ(locales.constFirst(), fresh.locale);
    EXPECT_EQ(QSet<QString>(locales.begin(), locales.end()).size(), locales.size());
}

TEST(GeneratorSettings, VersionCodesNameTheirConstants)
{
    const std::pair<qint32, QString> cases[] = {
        {1, "dbVersion10"}, {8, "dbVersion11"}, {16, "dbVersion20"}, {32, "dbVersion30"},
        {64, "dbVersion40"}, {128, "dbVersion120"}, {0, ""}, {2, ""}, {-1, ""}};
    for (const auto &[code, constant] : cases)
        EXPECT_EQ(tabulo::jetVersionConstant(code), constant) << code;
    // The format of a source: its major version digit, 12 for ACE.
    const std::pair<qint32, qint32> sources[] = {{0, 1}, {1, 8}, {3, 32}, {4, 64}, {12, 128}};
    for (const auto &[major, code] : sources)
        EXPECT_EQ(tabulo::kJetVersions[tabulo::jetVersionIndexOfSource(major)].code, code) << major;
    EXPECT_EQ(tabulo::jetVersionIndexOfSource(5), -1);
}

TEST(GeneratorSettings, SetSettingsTakesTheWholeValueOrNothing)
{
    clsWriteNewDatabase gen;
    tabulo::GeneratorSettings value;
    value.tabStop = 5;
    value.varNameNewDB = "db";
    value.procPrefix = " _make Table_";
    value.version = 64;
    value.locale = "dbLangGreek";
    value.encrypt = 2;
    value.includeRelations = false;
    value.includeDesignProperties = true;
    value.passwordDBNew = tabulo::GeneratorSettings::connectPassword("pw");
    gen.setSettings(value);
    EXPECT_EQ(gen.IndentUnit(), "     ");
    EXPECT_EQ(gen.VarNameNewDB(), "db");
    EXPECT_EQ(gen.ProcPrefix(), "makeTable_");     // as setProcPrefix keeps it
    EXPECT_EQ(gen.Version(), 64);
    EXPECT_EQ(gen.Locale(), "dbLangGreek");
    EXPECT_EQ(gen.Encrypt(), 2);
    EXPECT_FALSE(gen.IncludeRelations());
    EXPECT_TRUE(gen.IncludeDesignProperties());
    EXPECT_EQ(gen.PasswordDBNew(), ";pwd=pw");
    EXPECT_EQ(gen.settings().varNameNewDB, "db");
    // The properties write into the same value.
    gen.setPasswordDBNew("x");
    EXPECT_EQ(gen.settings().passwordDBNew, ";pwd=x");

    // A tab stop setTabStop refuses: refused with its message, nothing taken.
    for (const qint16 tabStop : {qint16(17), qint16(-1)}) {
        value.tabStop = tabStop;
        value.varNameNewDB = "other";
        value.includeRelations = true;
        try {
            gen.setSettings(value);
            FAIL() << "a tab stop of " << tabStop << " was accepted";
        } catch (const pembry::BasicError &e) {
            EXPECT_EQ(e.number(), 5);
            EXPECT_EQ(e.source(), "clsWriteNewDatabase  - TabStop");
        }
        EXPECT_EQ(gen.VarNameNewDB(), "db");
        EXPECT_FALSE(gen.IncludeRelations());
        EXPECT_EQ(gen.IndentUnit(), "     ");
    }
}
