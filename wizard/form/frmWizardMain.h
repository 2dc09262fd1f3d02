#pragma once
// The wizard's window: five pages shown one at a time (source database, new
// database options, code options and output, tables, new database security),
// the buttons Back, Next, Finish and Close, a progress bar and a status bar.
// Every choice is handed at once (or at Finish) to the shared generator
// gobjWriteNewDatabase(); Finish makes it write and deliver the module.
//
// Controls carry their design names as objectName; the members of a control
// array are named with their index, for example "optDatabaseLocation(1)" and
// the pages "fraWizard(0)" to "fraWizard(4)".
//
// Use: create, setGetSourceDatabase / setShowInsertPosition, then Show (or
// show()/exec()); the window loads when it is first shown. It emits
// AfterWizardComplete after every Finish that ended without an error, and
// Unload once when it unloads, whatever closes it.

#include "wizard/form/QtMessageService.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace tabulo {

class QtClipboard;
class QtListControl;
class QtProgressDisplay;
class QtStatusBarControl;
class WizardStatusBar;

class frmWizardMain : public QDialog {
    Q_OBJECT

public:
    static constexpr int PageCount = 5;

    explicit frmWizardMain(QWidget *parent = nullptr);
    ~frmWizardMain() override;

    // True: start on page 0 and let the user name the source database. False:
    // the generator already holds the caller's database; start on page 1.
    void setGetSourceDatabase(bool value) { m_getSourceDatabase = value; }
    // True: offer "Insert into New Module".
    void setShowInsertPosition(bool value) { m_showInsertPosition = value; }
    // The result of the last Finish.
    bool Succeeded() const { return m_succeeded; }

    // Shows the window: modal returns when it has unloaded, modeless at once.
    void Show(bool modal);

    // The index (0 to 4) of the page shown.
    int currentPage() const { return m_currentPage; }

signals:
    void AfterWizardComplete();
    void Unload();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // --- Building the window ------------------------------------------------
    void buildWindow();
    QWidget *buildSourcePage();
    QWidget *buildNewDatabasePage();
    QWidget *buildCodePage();
    QWidget *buildTablesPage();
    QWidget *buildSecurityPage();
    void setHelp(QWidget *control, const QString &text, bool onFocus = true);
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

    // --- Handlers --------------------------------------------------------------
    void txtDBSource_Change();
    void txtMDWSource_Change();
    void optDatabaseLocation_Click(int index);
    void txtDBNew_Change();
    void optVersion_Click(int index);
    void txtTabStop_Change();
    void chkInsertIntoModule_Click();
    void optInsertTopBottom_Click(int index);
    void txtCodeDestinationFile_Change();
    void optNewDBSecurity_Click(int index);
    void txtMDWNew_Change();
    void cmdAddOne_Click();
    void cmdAddAll_Click();
    void cmdRemoveOne_Click();
    void cmdRemoveAll_Click();
    void cmdBrowseSourceDB_Click();
    void cmdBrowseSourceMDW_Click();
    void cmdBrowseNewDB_Click();
    void cmdBrowseCodeFile_Click();
    void cmdBrowseNewMDW_Click();
    void cmdBack_Click();
    void cmdNext_Click();
    void cmdFinish_Click();
    void cmdCancel_Click();

    // Runs `body`; an error is reported through the error handler under
    // "frmWizardMain - <routine>".
    template <class Body>
    void guarded(const char *routine, Body &&body);
    // Reports the error being handled; call inside a catch block only.
    static void reportError(const QString &routine);
    void setStatusText(const QString &text);
    void unloadOnce();

    // --- State -------------------------------------------------------------------
    ScopedWizardMessages m_messages;
    int m_currentPage = 0;
    int m_shownPage = -1;       // the page on screen; -1 before the first
    int m_databaseLocation = -1;
    int m_newDBSecurity = 0;
    int m_insertPosition = 0;
    qint32 m_version = 0;
    bool m_getSourceDatabase = false;
    bool m_showInsertPosition = false;
    bool m_succeeded = false;
    bool m_loaded = false;
    bool m_unloaded = false;

    // Help texts: the tag of each control (its tool tip), and the controls
    // that show theirs in the status bar while they have the focus.
    QHash<QWidget *, QString> m_tags;
    QHash<QWidget *, QString> m_focusHelp;
    QList<QLineEdit *> m_textBoxes;
    // Frames whose access key gives the focus to one control of theirs.
    QHash<QWidget *, QWidget *> m_frameFocus;

    // --- Controls ------------------------------------------------------------------
    QStackedWidget *sstabWizard = nullptr;
    QList<QWidget *> fraWizard;
    // page 0
    QLineEdit *txtDBSource = nullptr;
    QPushButton *cmdBrowseSourceDB = nullptr;
    QLineEdit *txtMDWSource = nullptr;
    QPushButton *cmdBrowseSourceMDW = nullptr;
    QLineEdit *txtUserNameSource = nullptr;
    QLineEdit *txtPasswordSource = nullptr;
    QLineEdit *txtPasswordDBSource = nullptr;
    // page 1
    QList<QRadioButton *> optDatabaseLocation;
    QLineEdit *txtDBNew = nullptr;
    QPushButton *cmdBrowseNewDB = nullptr;
    QGroupBox *fraVersion = nullptr;
    QList<QRadioButton *> optVersion;
    QComboBox *cboLocale = nullptr;
    QCheckBox *chkEncrypt = nullptr;
    // page 2
    QLineEdit *txtVarNameNewDB = nullptr;
    QLineEdit *txtVarNameNewTable = nullptr;
    QLineEdit *txtVarNameNewField = nullptr;
    QLineEdit *txtVarNameNewRelation = nullptr;
    QLineEdit *txtVarNameNewIndex = nullptr;
    QLineEdit *txtProcPrefix = nullptr;
    QLineEdit *txtTabStop = nullptr;
    QCheckBox *chkCopyToClipboard = nullptr;
    QCheckBox *chkInsertIntoModule = nullptr;
    QGroupBox *fraInsertTopBottom = nullptr;
    QList<QRadioButton *> optInsertTopBottom;
    QLineEdit *txtCodeDestinationFile = nullptr;
    QPushButton *cmdBrowseCodeFile = nullptr;
    QCheckBox *chkRunNotepad = nullptr;
    QCheckBox *chkWriteVB5Header = nullptr;
    // page 3
    QListWidget *lstTablesAvailable = nullptr;
    QListWidget *lstTablesChosen = nullptr;
    QPushButton *cmdAddOne = nullptr;
    QPushButton *cmdAddAll = nullptr;
    QPushButton *cmdRemoveOne = nullptr;
    QPushButton *cmdRemoveAll = nullptr;
    QCheckBox *chkIncludeRelations = nullptr;
    QCheckBox *chkIncludeDatabaseWrapper = nullptr;
    // page 4
    QList<QRadioButton *> optNewDBSecurity;
    QLabel *lblMDWNew = nullptr;
    QLineEdit *txtMDWNew = nullptr;
    QPushButton *cmdBrowseNewMDW = nullptr;
    QLabel *lblUserNameNew = nullptr;
    QLineEdit *txtUserNameNew = nullptr;
    QLabel *lblPasswordNew = nullptr;
    QLineEdit *txtPasswordNew = nullptr;
    QLabel *lblPasswordDBNew = nullptr;
    QLineEdit *txtPasswordDBNew = nullptr;
    // below the pages
    QProgressBar *pgMain = nullptr;
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdFinish = nullptr;
    QPushButton *cmdCancel = nullptr;
    WizardStatusBar *sbMain = nullptr;

    // The widgets as the generator sees them.
    std::unique_ptr<QtListControl> m_available;
    std::unique_ptr<QtListControl> m_chosen;
    std::unique_ptr<QtProgressDisplay> m_progress;
    std::unique_ptr<QtStatusBarControl> m_statusBar;
    std::unique_ptr<QtClipboard> m_clipboard;
};

}  // namespace tabulo
