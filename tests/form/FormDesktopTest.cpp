// What a desktop window owes its user: keys, tab order, a layout that
// resizes without overlaps, the status bar panels, the browse dialogs, the
// message boxes; and pictures of the five pages for people to look at.

#include "WizardFixture.h"
#include "wizard/form/QtMessageService.h"
#include "wizard/form/WizardStatusBar.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The controls a user sees on the current page and below it.
QList<QWidget *> visibleControls(QWidget *window)
{
    QList<QWidget *> controls;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(child) || qobject_cast<QLineEdit *>(child)
                             || qobject_cast<QLabel *>(child) || qobject_cast<QComboBox *>(child)
                             || qobject_cast<QListWidget *>(child) || qobject_cast<QProgressBar *>(child);
        if (control && child->isVisible() && !child->objectName().startsWith(u"qt_"_s))
            controls << child;
    }
    return controls;
}

QString overlapsOf(QWidget *window)
{
    QString found;
    const QList<QWidget *> controls = visibleControls(window);
    for (int i = 0; i < controls.size(); ++i) {
        const QRect a(controls[i]->mapTo(window, QPoint(0, 0)), controls[i]->size());
        if (a.width() <= 0 || a.height() <= 0 || !window->rect().contains(a))
            found += controls[i]->objectName() + u" is cut off; "_s;
        for (int j = i + 1; j < controls.size(); ++j) {
            const QRect b(controls[j]->mapTo(window, QPoint(0, 0)), controls[j]->size());
            if (a.intersects(b))
                found += controls[i]->objectName() + u"/"_s + controls[j]->objectName() + u" ("_s
                         + controls[i]->metaObject()->className() + u", "_s + controls[j]->metaObject()->className()
                         + u"); "_s;
        }
    }
    return found;
}

}  // namespace

TEST_F(WizardFixture, EnterPressesNextAndAccessKeysReachTheControls)
{
    open();
    type(u"txtDBSource"_s, m_source);
    QTest::keyClick(box(u"txtDBSource"_s), Qt::Key_Return);
    ASSERT_EQ(page(), 1);
    // A button pressed by its access key clicks a moment later, as on screen.
    auto accessKey = [this](Qt::Key key) {
        QTest::keyClick(m_form.get(), key, Qt::AltModifier);
        QTest::qWait(200);
    };
    accessKey(Qt::Key_R);   // Use &Run-time Variable
    EXPECT_TRUE(button(u"optDatabaseLocation(2)"_s)->isChecked());
    accessKey(Qt::Key_L);   // &Locale
    EXPECT_EQ(m_form->focusWidget(), w(u"cboLocale"_s));
    QTest::keyClick(m_form->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(page(), 2);
    accessKey(Qt::Key_O);   // Copy t&o Clipboard
    EXPECT_TRUE(button(u"chkCopyToClipboard"_s)->isChecked());
    accessKey(Qt::Key_B);   // << &Back
    EXPECT_EQ(page(), 1);
}

TEST_F(WizardFixture, TabMovesThroughThePageInReadingOrder)
{
    open();
    type(u"txtMDWSource"_s, u"w"_s);
    box(u"txtDBSource"_s)->setFocus();
    const QStringList expected = {u"cmdBrowseSourceDB"_s, u"txtMDWSource"_s, u"cmdBrowseSourceMDW"_s,
                                  u"txtUserNameSource"_s, u"txtPasswordSource"_s, u"txtPasswordDBSource"_s,
                                  u"cmdCancel"_s};
    QStringList seen;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(m_form->focusWidget(), Qt::Key_Tab);
        seen << m_form->focusWidget()->objectName();
    }
    EXPECT_EQ(seen, expected);
}

TEST_F(WizardFixture, EveryPageResizesWithoutOverlappingControls)
{
    open(true, true);
    type(u"txtDBSource"_s, m_source);
    for (int target = 0; target < 5; ++target) {
        if (target > 0) {
            if (target == 1)
                click(u"optDatabaseLocation(1)"_s), type(u"txtDBNew"_s, m_dir.filePath(u"new.mdb"_s));
            if (target == 3)
                click(u"cmdAddOne"_s);
            next();
            if (target == 3)
                click(u"cmdAddAll"_s);
        }
        ASSERT_EQ(page(), target);
        for (const QSize size : {m_form->minimumSizeHint(), QSize(1200, 900)}) {
            m_form->resize(size);
            QApplication::processEvents();
            EXPECT_EQ(overlapsOf(m_form.get()), QString()) << "page " << target << " at " << size.width() << "x"
                                                            << size.height();
        }
    }
}

// Long help texts are cut short in the status bar: the window keeps its
// width while the focus visits every control, at its first size and at its
// smallest.
TEST_F(WizardFixture, TheWindowKeepsItsWidthWhileTheFocusWalksTheControls)
{
    open(true, true);
    const QSize first = m_form->size();
    type(u"txtDBSource"_s, m_source);
    type(u"txtMDWSource"_s, u"/no/such.mdw"_s);     // enables the user name and password boxes
    for (int target = 0; target < 5; ++target) {
        if (target == 1) {
            clear(u"txtMDWSource"_s);
            next();
            click(u"optDatabaseLocation(1)"_s);
            type(u"txtDBNew"_s, m_dir.filePath(u"new.mdb"_s));
        } else if (target > 1) {
            next();
        }
        if (target == 3)
            click(u"cmdAddAll"_s);
        if (target == 4)
            click(u"optNewDBSecurity(2)"_s), type(u"txtMDWNew"_s, u"/new.mdw"_s);
        ASSERT_EQ(page(), target);
        for (const QSize size : {first, m_form->minimumSizeHint()}) {
            m_form->resize(size);
            QApplication::processEvents();
            const int width = m_form->width();
            for (QWidget *control : visibleControls(m_form.get())) {
                if (!control->isEnabled() || !(control->focusPolicy() & Qt::TabFocus))
                    continue;
                control->setFocus(Qt::TabFocusReason);
                QApplication::processEvents();
                if (m_form->width() != width) {
                    ADD_FAILURE() << "page " << target << ": the focus on " << control->objectName().toStdString()
                                  << " widened the window from " << width << " to " << m_form->width();
                    break;
                }
            }
        }
    }
}

TEST_F(WizardFixture, RendersEachPageToAPicture)
{
    const QString folder = QStringLiteral(TABULO_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    open(true, true);
    type(u"txtDBSource"_s, m_source);
    for (int target = 0; target < 5; ++target) {
        if (target == 1) {
            next();
            click(u"optDatabaseLocation(1)"_s);
            type(u"txtDBNew"_s, m_dir.filePath(u"New Shop.mdb"_s));
        } else if (target > 1) {
            next();
        }
        if (target == 3) {
            click(u"cmdAddOne"_s);
            click(u"cmdAddOne"_s);
            click(u"cmdAddOne"_s);
        }
        ASSERT_EQ(page(), target);
        const QString file = folder + u"/wizard-page-%1.png"_s.arg(target);
        QFile::remove(file);
        EXPECT_TRUE(m_form->grab().save(file)) << file.toStdString();
        EXPECT_TRUE(QFile::exists(file));
    }
}

TEST_F(WizardFixture, TheStatusBarShowsCapsLockAndTheDate)
{
    open();
    auto *bar = w<tabulo::WizardStatusBar>(u"sbMain"_s);
    EXPECT_EQ(bar->panel(3)->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_EQ(bar->panel(2)->text(), u"CAPS"_s);
    EXPECT_FALSE(bar->capsLockShown());
    QTest::keyClick(m_form->windowHandle(), Qt::Key_CapsLock);
    EXPECT_TRUE(bar->capsLockShown());
    QTest::keyClick(m_form->windowHandle(), Qt::Key_CapsLock);
    EXPECT_FALSE(bar->capsLockShown());
}

TEST_F(WizardFixture, BrowsingForTheSourceFillsTheBoxOrLeavesIt)
{
    open();
    FileDialogDriver dialogs;
    dialogs.answerNext(FileDialogDriver::accept(m_source));
    click(u"cmdBrowseSourceDB"_s);
    ASSERT_EQ(dialogs.seen.size(), 1);
    const FileDialogDriver::Seen &seen = dialogs.seen[0];
    EXPECT_EQ(seen.title, u"Locate Source Database"_s);
    EXPECT_EQ(seen.filters, (QStringList{u"Microsoft Access Databases (*.mdb *.mde)"_s,
                                         u"Microsoft Access Add-Ins (*.mda)"_s, u"All Files (*)"_s}));
    EXPECT_EQ(seen.selectedFilter, seen.filters[0]);
    EXPECT_EQ(seen.fileMode, QFileDialog::ExistingFile);
    EXPECT_EQ(box(u"txtDBSource"_s)->text(), m_source);
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());

    dialogs.answerNext(FileDialogDriver::cancel());
    click(u"cmdBrowseSourceMDW"_s);
    EXPECT_EQ(dialogs.seen[1].title, u"Locate Source Security File"_s);
    EXPECT_EQ(box(u"txtMDWSource"_s)->text(), QString());
    EXPECT_FALSE(dialogs.leftOpen);
}

// A browse dialog starts in the folder of the path typed in its box, with
// the file name filled in; with no path, or a folder that does not exist,
// where it starts by itself.
TEST_F(WizardFixture, BrowsingStartsAtThePathTyped)
{
    open();
    FileDialogDriver dialogs;
    click(u"cmdBrowseSourceDB"_s);
    type(u"txtDBSource"_s, m_dir.filePath(u"none/shop.mdb"_s));
    click(u"cmdBrowseSourceDB"_s);
    clear(u"txtDBSource"_s);
    type(u"txtDBSource"_s, m_source);
    click(u"cmdBrowseSourceDB"_s);
    ASSERT_EQ(dialogs.seen.size(), 3);
    EXPECT_EQ(dialogs.seen[1].directory, dialogs.seen[0].directory);
    EXPECT_EQ(dialogs.seen[1].fileName, QString());
    EXPECT_EQ(dialogs.seen[2].directory, QFileInfo(m_source).absolutePath());
    EXPECT_EQ(dialogs.seen[2].fileName, QFileInfo(m_source).fileName());
    EXPECT_NE(dialogs.seen[0].directory, dialogs.seen[2].directory);
    EXPECT_FALSE(dialogs.leftOpen);
}

// An option chosen by its access key is chosen before the next key: Enter
// pressed at once goes on with it.
TEST_F(WizardFixture, EnterRightAfterAnAccessKeyGoesOnWithTheOptionChosen)
{
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    ASSERT_EQ(page(), 1);
    ASSERT_FALSE(button(u"cmdNext"_s)->isEnabled());
    pressKey(Qt::Key_R, Qt::AltModifier);   // Use &Run-time Variable
    EXPECT_TRUE(button(u"optDatabaseLocation(2)"_s)->isChecked());
    EXPECT_TRUE(button(u"cmdNext"_s)->isEnabled());
    pressKey(Qt::Key_Return);
    EXPECT_EQ(page(), 2);
}

TEST_F(WizardFixture, SavingTheNewDatabaseAsAnAddInMakesItAnMdb)
{
    open();
    type(u"txtDBSource"_s, m_source);
    next();
    FileDialogDriver dialogs;
    dialogs.answerNext(FileDialogDriver::accept(m_dir.filePath(u"tools.mda"_s)));
    dialogs.answerNext(FileDialogDriver::accept(m_dir.filePath(u"tools.mda"_s), u"All Files (*)"_s));
    dialogs.answerNext(FileDialogDriver::accept(m_dir.filePath(u"CreateTools"_s)));
    click(u"optDatabaseLocation(1)"_s);
    click(u"cmdBrowseNewDB"_s);
    EXPECT_EQ(dialogs.seen[0].title, u"Save New Database As"_s);
    EXPECT_EQ(dialogs.seen[0].acceptMode, QFileDialog::AcceptSave);
    EXPECT_EQ(dialogs.seen[0].defaultSuffix, u"mdb"_s);
    EXPECT_EQ(box(u"txtDBNew"_s)->text(), m_dir.filePath(u"tools.mdb"_s));
    EXPECT_EQ(m_form->chosenSettings().pathNameDBNew, m_dir.filePath(u"tools.mdb"_s));
    click(u"cmdBrowseNewDB"_s);
    EXPECT_EQ(box(u"txtDBNew"_s)->text(), m_dir.filePath(u"tools.mda"_s));
    next();
    clear(u"txtCodeDestinationFile"_s);
    click(u"cmdBrowseCodeFile"_s);
    EXPECT_EQ(dialogs.seen[2].title, u"Save Code Template As"_s);
    EXPECT_EQ(dialogs.seen[2].selectedFilter, u"Visual Basic Module (*.bas)"_s);
    EXPECT_TRUE(dialogs.seen[2].confirmOverwrite);
    EXPECT_EQ(box(u"txtCodeDestinationFile"_s)->text(), m_dir.filePath(u"CreateTools.bas"_s));
    EXPECT_FALSE(dialogs.leftOpen);
}

// The five browse buttons, each cancelled: every one shows its own dialog
// and leaves its box alone; a cancelled source dialog keeps the tables read.
TEST_F(WizardFixture, EachBrowseButtonShowsItsOwnDialog)
{
    open();
    FileDialogDriver dialogs;
    click(u"cmdBrowseSourceDB"_s);
    click(u"cmdBrowseSourceMDW"_s);
    goToTablesPage();
    click(u"cmdAddOne"_s);     // selects the first table
    click(u"cmdAddOne"_s);     // and chooses it
    back();
    back();
    click(u"optDatabaseLocation(1)"_s);
    click(u"cmdBrowseNewDB"_s);
    click(u"optDatabaseLocation(0)"_s);
    next();
    click(u"cmdBrowseCodeFile"_s);
    next();
    next();
    ASSERT_EQ(page(), 4);
    click(u"optNewDBSecurity(2)"_s);
    click(u"cmdBrowseNewMDW"_s);
    ASSERT_EQ(dialogs.seen.size(), 5);
    EXPECT_FALSE(dialogs.leftOpen);

    const QString all = u"All Files (*)"_s;
    const QString workgroup = u"Microsoft Access Security File (*.mdw)"_s;
    struct Expected {
        QString title;
        QStringList filters;
        int selected;
        QFileDialog::AcceptMode mode;
        QString suffix;
    };
    const Expected expected[] = {
        {u"Locate Source Database"_s,
         {u"Microsoft Access Databases (*.mdb *.mde)"_s, u"Microsoft Access Add-Ins (*.mda)"_s, all}, 0,
         QFileDialog::AcceptOpen, {}},
        {u"Locate Source Security File"_s, {workgroup, all}, 0, QFileDialog::AcceptOpen, {}},
        {u"Save New Database As"_s,
         {u"Microsoft Access Database (*.mdb)"_s, u"Microsoft Access MDE Database (*.mde)"_s,
          u"Microsoft Access Add-In (*.mda)"_s, all},
         0, QFileDialog::AcceptSave, u"mdb"_s},
        {u"Save Code Template As"_s, {u"Text Files (*.txt)"_s, u"Visual Basic Module (*.bas)"_s, all}, 1,
         QFileDialog::AcceptSave, u"bas"_s},
        {u"Locate New Security File"_s, {workgroup, all}, 0, QFileDialog::AcceptOpen, {}},
    };
    for (int i = 0; i < 5; ++i) {
        const FileDialogDriver::Seen &seen = dialogs.seen[i];
        EXPECT_EQ(seen.title, expected[i].title);
        EXPECT_EQ(seen.filters, expected[i].filters) << seen.title.toStdString();
        EXPECT_EQ(seen.selectedFilter, expected[i].filters.value(expected[i].selected)) << seen.title.toStdString();
        EXPECT_EQ(seen.acceptMode, expected[i].mode) << seen.title.toStdString();
        if (seen.acceptMode == QFileDialog::AcceptOpen) {
            EXPECT_EQ(seen.fileMode, QFileDialog::ExistingFile) << seen.title.toStdString();
        }
        EXPECT_EQ(seen.defaultSuffix, expected[i].suffix) << seen.title.toStdString();
    }

    EXPECT_EQ(box(u"txtDBSource"_s)->text(), m_source);
    EXPECT_EQ(box(u"txtMDWNew"_s)->text(), QString());
    EXPECT_EQ(entries(u"lstTablesAvailable"_s), kShopTables);
    EXPECT_EQ(entries(u"lstTablesChosen"_s).size(), 1);
}

// A confirmed workgroup goes into its box and to the generator, and makes
// the user name usable.
TEST_F(WizardFixture, BrowsingForTheNewWorkgroupFillsItsBox)
{
    open();
    goToTablesPage();
    click(u"cmdAddAll"_s);
    next();
    ASSERT_EQ(page(), 4);
    click(u"optNewDBSecurity(2)"_s);
    const QString workgroup = makeFile(u"secure.mdw"_s);
    FileDialogDriver dialogs;
    dialogs.answerNext(FileDialogDriver::accept(workgroup));
    click(u"cmdBrowseNewMDW"_s);
    EXPECT_EQ(box(u"txtMDWNew"_s)->text(), workgroup);
    EXPECT_EQ(m_form->chosenSettings().pathNameMDWNew, workgroup);
    EXPECT_TRUE(box(u"txtUserNameNew"_s)->isEnabled());
    EXPECT_FALSE(button(u"cmdFinish"_s)->isEnabled());
    type(u"txtUserNameNew"_s, u"Owner"_s);
    EXPECT_TRUE(button(u"cmdFinish"_s)->isEnabled());
    EXPECT_FALSE(dialogs.leftOpen);
}

TEST(WizardMessages, TheWindowShowsQtMessageBoxesWhileItLives)
{
    ASSERT_NE(dynamic_cast<pembry::ConsoleMessageService *>(&pembry::messageService()), nullptr);
    auto form = std::make_unique<tabulo::frmWizardMain>();
    ASSERT_NE(dynamic_cast<tabulo::QtMessageService *>(&pembry::messageService()), nullptr);

    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    EXPECT_EQ(pembry::MsgBox(u"Go on?"_s, pembry::mb::YesNo | pembry::mb::Question), pembry::mb::No);
    EXPECT_EQ(title, u"Tabulo Wizard"_s);
    EXPECT_EQ(icon, QMessageBox::Question);

    form.reset();
    EXPECT_NE(dynamic_cast<pembry::ConsoleMessageService *>(&pembry::messageService()), nullptr);
}
