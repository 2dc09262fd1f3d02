#pragma once
// A wizard window on the in-memory engine, driven through its widgets as a
// user would: clicks, typed text, keys. Messages are answered by a recording
// service; file dialogs by FileDialogDriver.

#include "FaultyEngine.h"
#include "RecordingMessageService.h"
#include "SchemaBuilders.h"
#include "TestPaths.h"
#include "tests/utility/FileDialogDriver.h"
#include "wizard/errors/clsErrorHandler.h"
#include "wizard/form/frmWizardMain.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "QtPrinting.h"

// The shop: five tables the wizard lists, one system table and one linked
// table it leaves out.
inline schema::Database shopModel(const QString &name)
{
    const auto table = [](const QString &tableName, qint32 attributes = 0) {
        return schemabuild::table(tableName, {schemabuild::field(QStringLiteral("ID"), 4, 4)}, {}, attributes);
    };
    schema::Database db = schemabuild::database(
        {table(QStringLiteral("Shippers")),          table(QStringLiteral("customers")),
         table(QStringLiteral("Order Details")),     table(QStringLiteral("MSysObjects"), qint32(0x80000002)),
         table(QStringLiteral("Archive"), 0x40000000), table(QStringLiteral("msysNotes")),
         table(QStringLiteral("Orders"))});
    db.name = name;
    return db;
}

inline const QStringList kShopTables = {QStringLiteral("customers"), QStringLiteral("msysNotes"),
                                        QStringLiteral("Order Details"), QStringLiteral("Orders"),
                                        QStringLiteral("Shippers")};

// Notes the mouse pointer each time the watched widget paints (the status
// panel paints at once whenever the generator changes its text).
struct PointerProbe : QObject {
    QList<Qt::CursorShape> shapes;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            shapes << (QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape()
                                                         : Qt::ArrowCursor);
        return false;
    }
};

class WizardFixture : public ::testing::Test {
public:
    // The generator is shared by every window in the process: give the next
    // test the settings a fresh process would have.
    static void resetGenerator();

protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_source = makeFile(QStringLiteral("shop.mdb"));
        m_engine = std::make_shared<testsupport::FakeEngine>();
        m_engine->addDatabase(m_source, shopModel(m_source));
        dao::installDBEngine(m_engine);
        tabulo::gobjErrorHandler().setLogFolder(m_dir.path());
    }

    void TearDown() override
    {
        m_form.reset();
        resetGenerator();
        dao::installDBEngine(nullptr);
    }

    QString makeFile(const QString &name, const QByteArray &content = "not read by the in-memory engine")
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }

    tabulo::frmWizardMain &open(bool getSourceDatabase = true, bool showInsertPosition = false)
    {
        m_form = std::make_unique<tabulo::frmWizardMain>();
        m_form->setGetSourceDatabase(getSourceDatabase);
        m_form->setShowInsertPosition(showInsertPosition);
        m_form->show();
        m_form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
        return *m_form;
    }

    template <class T = QWidget>
    T *w(const QString &name) const
    {
        T *widget = m_form->findChild<T *>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QLineEdit *box(const QString &name) const { return w<QLineEdit>(name); }
    QAbstractButton *button(const QString &name) const { return w<QAbstractButton>(name); }
    QListWidget *list(const QString &name) const { return w<QListWidget>(name); }

    void type(const QString &boxName, const QString &text)
    {
        QLineEdit *target = box(boxName);
        target->setFocus();
        QTest::keyClicks(target, text);
    }
    void clear(const QString &boxName)
    {
        QLineEdit *target = box(boxName);
        target->setFocus();
        target->selectAll();
        QTest::keyClick(target, Qt::Key_Backspace);
    }
    // Clicks a button where a user would: check boxes and options on their
    // box (their widget may stretch far beyond the caption).
    void click(const QString &name)
    {
        QAbstractButton *target = button(name);
        const bool hasIndicator = qobject_cast<QCheckBox *>(target) || qobject_cast<QRadioButton *>(target);
        QTest::mouseClick(target, Qt::LeftButton, {},
                          hasIndicator ? QPoint(8, target->height() / 2) : target->rect().center());
    }
    // A key as the platform delivers it: to the window, where shortcuts and
    // access keys are tried before the focus widget gets it.
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_form->windowHandle(), key, modifiers);
    }
    void next() { click(QStringLiteral("cmdNext")); }
    void back() { click(QStringLiteral("cmdBack")); }

    int page() const { return m_form->currentPage(); }
    QString status() const { return w<QLabel>(QStringLiteral("sbMainPanel1"))->text(); }
    QStringList entries(const QString &listName) const
    {
        QStringList texts;
        for (int i = 0; i < list(listName)->count(); ++i)
            texts << list(listName)->item(i)->text();
        return texts;
    }
    // A list's entries with the current one in brackets: {"a", "[b]", "c"}.
    QStringList entriesAndCurrent(const QString &listName) const
    {
        QStringList texts = entries(listName);
        if (const int row = list(listName)->currentRow(); row >= 0)
            texts[row] = u'[' + texts[row] + u']';
        return texts;
    }
    void selectRow(const QString &listName, int row)
    {
        QListWidget *target = list(listName);
        QTest::mouseClick(target->viewport(), Qt::LeftButton, {}, target->visualItemRect(target->item(row)).center());
    }
    // Every named widget is enabled (`on`) or disabled.
    void expectEnabled(std::initializer_list<QString> names, bool on)
    {
        for (const QString &name : names)
            EXPECT_EQ(w(name)->isEnabled(), on) << name.toStdString();
    }
    // Chooses the available table at `row` with ">".
    void addTableAt(int row)
    {
        selectRow(QStringLiteral("lstTablesAvailable"), row);
        click(QStringLiteral("cmdAddOne"));
    }
    // Takes the chosen table at `row` back with "<".
    void removeTableAt(int row)
    {
        selectRow(QStringLiteral("lstTablesChosen"), row);
        click(QStringLiteral("cmdRemoveOne"));
    }
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const RecordedMessage &m : m_messages.messages)
            texts << m.text;
        return texts;
    }
    // From the tables page: back to the code options, `text` in place of
    // what the box holds, on again and Finish. Answers the messages the
    // Finish shows.
    QStringList finishWith(const QString &boxName, const QString &text)
    {
        m_messages.messages.clear();
        back();
        clear(boxName);
        type(boxName, text);
        next();
        click(QStringLiteral("cmdFinish"));
        return messageTexts();
    }

    // Page 0 to the tables page: the shop as source, tables in the current
    // database, the code to the clipboard.
    void goToTablesPage()
    {
        type(QStringLiteral("txtDBSource"), m_source);
        next();
        click(QStringLiteral("optDatabaseLocation(0)"));
        next();
        click(QStringLiteral("chkCopyToClipboard"));
        next();
        ASSERT_EQ(page(), 3);
    }

    QTemporaryDir m_dir;
    QString m_source;
    std::shared_ptr<testsupport::FakeEngine> m_engine;
    RecordingMessageService m_messages;     // before the window: it keeps this service in place
    std::unique_ptr<tabulo::frmWizardMain> m_form;
};

inline void WizardFixture::resetGenerator()
{
    tabulo::clsWriteNewDatabase &g = tabulo::gobjWriteNewDatabase();
    g.CloseSourceDBandMDW();
    for (auto setter : {&tabulo::clsWriteNewDatabase::setPathNameDBSource,
                        &tabulo::clsWriteNewDatabase::setPathNameMDWSource,
                        &tabulo::clsWriteNewDatabase::setUserNameSource,
                        &tabulo::clsWriteNewDatabase::setPasswordMDWSource,
                        &tabulo::clsWriteNewDatabase::setPasswordDBSource})
        (g.*setter)(QString());
    g.setSettings({});
}
