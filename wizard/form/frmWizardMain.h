#pragma once
// The wizard's window: five pages shown one at a time (source database, new
// database options, code options and output, tables, new database security),
// the buttons Back, Next, Finish and Close, a progress bar and a status bar.
// The source database's choices are handed at once to the shared generator
// gobjWriteNewDatabase(), which opens it; every setting of the module is read
// from the pages' registered fields at Finish and handed over as one
// GeneratorSettings, and Finish makes the generator write and deliver the
// module.
//
// The pages (wizard/form/pages/) build their own controls and know their
// entry work, button rule and first focus; the window keeps the frame, the
// navigation between the pages, Finish and Close, and the answers to errors.
//
// Controls carry their design names as objectName; the members of a control
// array are named with their index, for example "optDatabaseLocation(1)" and
// the pages "fraWizard(0)" to "fraWizard(4)".
//
// Use: create, setGetSourceDatabase / setShowInsertPosition, then Show (or
// show()/exec()); the window loads when it is first shown. It emits
// AfterWizardComplete after every Finish that ended without an error, and
// Unload once when it unloads, whatever closes it.

#include "wizard/form/ControlHelp.h"
#include "wizard/form/QtMessageService.h"
#include "wizard/form/pages/WizardPage.h"

#include <QDialog>
#include <QList>
#include <memory>

class QProgressBar;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace tabulo {

class clsWriteNewDatabase;
class CodePage;
class NewDatabasePage;
class QtClipboard;
class QtProgressDisplay;
class QtStatusBarControl;
class SecurityPage;
class SourcePage;
class TablesPage;
class WizardStatusBar;

class frmWizardMain : public QDialog {
    Q_OBJECT

public:
    static constexpr int PageCount = 5;

    explicit frmWizardMain(QWidget *parent = nullptr);
    ~frmWizardMain() override;

    // True: start on page 0 and let the user name the source database. False:
    // the generator already holds the caller's database; start on page 1.
    void setGetSourceDatabase(bool value) { m_options.getSourceDatabase = value; }
    // True: offer "Insert into New Module".
    void setShowInsertPosition(bool value) { m_options.showInsertPosition = value; }
    // The result of the last Finish.
    bool Succeeded() const { return m_succeeded; }

    // Shows the window: modal returns when it has unloaded, modeless at once.
    void Show(bool modal);

    // The index (0 to 4) of the page shown.
    int currentPage() const { return m_currentPage; }

    // The generator's settings with every setting the pages show read from
    // their controls: what Finish hands to the generator. Raises the error of
    // a control whose text is no value of its setting.
    GeneratorSettings chosenSettings() const;

signals:
    void AfterWizardComplete();
    void Unload();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildPages();
    void buildButtonRow(QVBoxLayout *layout);
    void connectHandlers();

    // --- Form routines -------------------------------------------------------
    void FormLoad();
    void MovePage();
    // False when the page cannot be entered and the user has been told why.
    bool pageEntryWork();
    void stayOnShownPage();
    bool handleMovePageError(int number);
    void showCurrentPage();
    void EnableButtons();
    bool finishRule() const;
    void goToSourcePage(QWidget *focus);
    WizardPage *currentPageObject() const { return m_pages.at(m_currentPage); }

    void cmdBack_Click();
    void cmdNext_Click();
    void cmdFinish_Click();
    void showSecuredSourceMessage();
    void showDamagedSourceMessage(const QStringList &warnings);
    void cmdCancel_Click();

    void setStatusText(const QString &text);
    void unloadOnce();

    // --- State -------------------------------------------------------------------
    ScopedWizardMessages m_messages;
    clsWriteNewDatabase &m_generator;   // the one the module is written with
    WizardOptions m_options;
    SettingsFields m_fields;
    int m_currentPage = 0;
    int m_shownPage = -1;       // the page on screen; -1 before the first
    bool m_succeeded = false;
    bool m_loaded = false;
    bool m_unloaded = false;
    ControlHelp m_help;

    // --- Pages and controls --------------------------------------------------------
    QStackedWidget *sstabWizard = nullptr;
    QList<WizardPage *> m_pages;    // fraWizard(0) to fraWizard(4)
    SourcePage *m_sourcePage = nullptr;
    NewDatabasePage *m_newDatabasePage = nullptr;
    CodePage *m_codePage = nullptr;
    TablesPage *m_tablesPage = nullptr;
    SecurityPage *m_securityPage = nullptr;
    QProgressBar *pgMain = nullptr;
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdFinish = nullptr;
    QPushButton *cmdCancel = nullptr;
    WizardStatusBar *sbMain = nullptr;

    // The widgets as the generator sees them (the table lists: the tables page).
    std::unique_ptr<QtProgressDisplay> m_progress;
    std::unique_ptr<QtStatusBarControl> m_statusBar;
    std::unique_ptr<QtClipboard> m_clipboard;
};

}  // namespace tabulo
