// The two table lists and their four buttons.

#include "WizardFixture.h"

using namespace Qt::StringLiterals;

TEST_F(WizardFixture, TheTablesPageListsTheSourceTablesOnceSorted)
{
    open();
    goToTablesPage();
    EXPECT_EQ(entries(u"lstTablesAvailable"_s), kShopTables);
    EXPECT_EQ(m_form->focusWidget(), button(u"cmdAddOne"_s));
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());
    const int reads = m_engine->faults().callCount(u"TableDefs.Count"_s);
    back();
    next();
    EXPECT_EQ(m_engine->faults().callCount(u"TableDefs.Count"_s), reads);
    EXPECT_EQ(status(), u"Ready"_s);
}

TEST_F(WizardFixture, AddOneFollowsTheSelection)
{
    open();
    goToTablesPage();
    // Nothing selected: nothing added, the first table selected.
    click(u"cmdAddOne"_s);
    EXPECT_TRUE(entries(u"lstTablesChosen"_s).isEmpty());
    EXPECT_EQ(list(u"lstTablesAvailable"_s)->currentRow(), 0);
    EXPECT_TRUE(list(u"lstTablesAvailable"_s)->item(0)->isSelected());

    // Pressing ">" again and again takes consecutive tables.
    click(u"cmdAddOne"_s);
    click(u"cmdAddOne"_s);
    EXPECT_EQ(entries(u"lstTablesChosen"_s), (QStringList{u"customers"_s, u"msysNotes"_s}));
    EXPECT_EQ(entriesAndCurrent(u"lstTablesAvailable"_s),
              (QStringList{u"customers"_s, u"msysNotes"_s, u"[Order Details]"_s, u"Orders"_s, u"Shippers"_s}));
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_TRUE(button(u"cmdFinish"_s)->isEnabled());

    // A table already chosen is not added twice; the selection moves on.
    addTableAt(0);
    EXPECT_EQ(entries(u"lstTablesChosen"_s).size(), 2);
    EXPECT_EQ(entriesAndCurrent(u"lstTablesAvailable"_s),
              (QStringList{u"customers"_s, u"[msysNotes]"_s, u"Order Details"_s, u"Orders"_s, u"Shippers"_s}));

    // The last table is added and stays selected; choosing copies.
    addTableAt(4);
    EXPECT_EQ(entries(u"lstTablesChosen"_s), (QStringList{u"customers"_s, u"msysNotes"_s, u"Shippers"_s}));
    EXPECT_EQ(entriesAndCurrent(u"lstTablesAvailable"_s),
              (QStringList{u"customers"_s, u"msysNotes"_s, u"Order Details"_s, u"Orders"_s, u"[Shippers]"_s}));
}

TEST_F(WizardFixture, AddAllAndRemoveKeepTheChosenListConsistent)
{
    open();
    goToTablesPage();
    addTableAt(3);
    click(u"cmdAddAll"_s);
    EXPECT_EQ(entries(u"lstTablesChosen"_s), kShopTables);

    // "<" on the last entry selects the new last entry.
    removeTableAt(4);
    EXPECT_EQ(entriesAndCurrent(u"lstTablesChosen"_s),
              (QStringList{u"customers"_s, u"msysNotes"_s, u"Order Details"_s, u"[Orders]"_s}));
    // In the middle, the entry that moved up is selected.
    removeTableAt(1);
    EXPECT_EQ(entriesAndCurrent(u"lstTablesChosen"_s), (QStringList{u"customers"_s, u"[Order Details]"_s, u"Orders"_s}));

    // With nothing selected "<" changes nothing.
    list(u"lstTablesChosen"_s)->clearSelection();
    click(u"cmdRemoveOne"_s);
    EXPECT_EQ(entries(u"lstTablesChosen"_s).size(), 3);

    click(u"cmdRemoveAll"_s);
    EXPECT_TRUE(entries(u"lstTablesChosen"_s).isEmpty());
    EXPECT_FALSE(button(u"cmdNext"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());
    EXPECT_TRUE(button(u"cmdRemoveOne"_s)->isEnabled());

    // Removing the only entry disables both remove buttons until a table is added.
    addTableAt(2);
    removeTableAt(0);
    EXPECT_TRUE(entries(u"lstTablesChosen"_s).isEmpty());
    EXPECT_FALSE(button(u"cmdRemoveOne"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdRemoveAll"_s)->isEnabled());
    click(u"cmdAddAll"_s);
    EXPECT_TRUE(button(u"cmdRemoveOne"_s)->isEnabled());
}

TEST_F(WizardFixture, ANewSourcePathEmptiesBothListsAndTheTablesAreReadAgain)
{
    const QString other = makeFile(u"other.mdb"_s);
    schema::Database model = shopModel(other);
    model.tables.removeLast();
    m_engine->addDatabase(other, model);
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    back();
    back();
    back();
    ASSERT_EQ(page(), 0);
    clear(u"txtDBSource"_s);
    EXPECT_TRUE(entries(u"lstTablesAvailable"_s).isEmpty());
    EXPECT_TRUE(entries(u"lstTablesChosen"_s).isEmpty());
    type(u"txtDBSource"_s, other);
    next();
    next();
    next();
    ASSERT_EQ(page(), 3);
    EXPECT_EQ(entries(u"lstTablesAvailable"_s),
              (QStringList{u"customers"_s, u"msysNotes"_s, u"Order Details"_s, u"Shippers"_s}));
}

TEST_F(WizardFixture, FillingTheListShowsTheBusyPointer)
{
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    click(u"optDatabaseLocation(0)"_s);
    next();
    click(u"chkCopyToClipboard"_s);
    // The generator's status text while it reads the tables is painted at once;
    // note the pointer at that moment.
    PointerProbe probe;
    w(u"sbMainPanel1"_s)->installEventFilter(&probe);
    next();
    ASSERT_EQ(page(), 3);
    EXPECT_TRUE(probe.shapes.contains(Qt::WaitCursor));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WizardFixture, NamesThatCouldSpoofAnotherShowEscapedAndStandForThemselves)
{
    const QString reversed = u"abc"_s + QChar(0x202E) + u"exe.txt"_s;
    const QString twoLines = u"two\r\nlines"_s;
    schema::Database db = schemabuild::database(
        {schemabuild::table(reversed, {schemabuild::field(u"ID"_s, 4, 4)}),
         schemabuild::table(twoLines, {schemabuild::field(u"ID"_s, 4, 4)})});
    db.name = m_source;
    m_engine->addDatabase(m_source, db);
    open();
    goToTablesPage();
    EXPECT_EQ(entries(u"lstTablesAvailable"_s), (QStringList{u"abc\\u202eexe.txt"_s, u"two\\x0d\\x0alines"_s}));
    click(u"cmdAddAll"_s);
    EXPECT_EQ(entries(u"lstTablesChosen"_s), entries(u"lstTablesAvailable"_s));
    tabulo::ListControl *chosen = tabulo::gobjWriteNewDatabase().SourceTablesChosenList();
    ASSERT_EQ(chosen->ListCount(), 2);
    EXPECT_EQ(chosen->List(0), reversed);
    EXPECT_EQ(chosen->List(1), twoLines);
}

TEST_F(WizardFixture, ADoubleClickMovesTheTableLikeTheArrows)
{
    open();
    goToTablesPage();
    const auto doubleClick = [this](const QString &listName, int row) {
        QListWidget *target = list(listName);
        const QPoint at = target->visualItemRect(target->item(row)).center();
        QTest::mouseClick(target->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(target->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(u"lstTablesAvailable"_s, 2);
    EXPECT_EQ(entries(u"lstTablesChosen"_s), QStringList{u"Order Details"_s});
    EXPECT_TRUE(button(u"cmdFinish"_s)->isEnabled());
    doubleClick(u"lstTablesChosen"_s, 0);
    EXPECT_TRUE(entries(u"lstTablesChosen"_s).isEmpty());
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());
}
