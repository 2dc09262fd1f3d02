#include "wizard/form/frmWizardMain.h"

#include "utility/BasicError.h"
#include "utility/MessageService.h"
#include "wizard/engine/Dao.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/form/AccessKeyGuard.h"
#include "wizard/form/BusyPointer.h"
#include "wizard/form/HandlerGuard.h"
#include "wizard/form/QtUiControls.h"
#include "wizard/form/WizardStatusBar.h"
#include "wizard/form/pages/CodePage.h"
#include "wizard/form/pages/NewDatabasePage.h"
#include "wizard/form/pages/SecurityPage.h"
#include "wizard/form/pages/SourcePage.h"
#include "wizard/form/pages/TablesPage.h"
#include "wizard/generator/DisplayText.h"
#include "wizard/generator/SettingsCheck.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tabulo {

// --- Building ------------------------------------------------------------------

frmWizardMain::frmWizardMain(QWidget *parent)
    : QDialog(parent), m_generator(gobjWriteNewDatabase()),
      m_help([this](const QString &text) { setStatusText(text); })
{
    setObjectName(QStringLiteral("frmWizardMain"));
    setWindowTitle(QStringLiteral("Tabulo Wizard"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    auto *layout = new QVBoxLayout(this);
    buildPages();
    layout->addWidget(sstabWizard, 1);
    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    buildButtonRow(layout);

    sbMain = new WizardStatusBar(this);
    sbMain->setObjectName(QStringLiteral("sbMain"));
    layout->addWidget(sbMain);
    layout->setContentsMargins(8, 8, 8, 0);

    m_progress = std::make_unique<QtProgressDisplay>(pgMain);
    m_statusBar = std::make_unique<QtStatusBarControl>(sbMain);
    m_clipboard = std::make_unique<QtClipboard>();

    resize(sizeHint().expandedTo(QSize(560, 420)));
    new AccessKeyGuard(this);
    connectHandlers();
}

frmWizardMain::~frmWizardMain()
{
    unloadOnce();
    // The generator outlives the window: take back the widgets handed to it.
    clsWriteNewDatabase &generator = m_generator;
    if (generator.SourceTablesAvailableList() == &m_tablesPage->available()) {
        generator.setSourceTablesAvailableList(nullptr);
        generator.setSourceTablesChosenList(nullptr);
        generator.setProgressBar(nullptr);
        generator.setStatusBar(nullptr);
        generator.setClipboard(nullptr);
    }
}

void frmWizardMain::buildPages()
{
    sstabWizard = new QStackedWidget(this);
    sstabWizard->setObjectName(QStringLiteral("sstabWizard"));
    m_sourcePage = new SourcePage(m_help, m_options, m_fields, m_generator);
    m_newDatabasePage = new NewDatabasePage(m_help, m_options, m_fields, m_generator);
    m_codePage = new CodePage(m_help, m_options, m_fields, *m_newDatabasePage);
    m_tablesPage = new TablesPage(m_help, m_options, m_fields, m_generator);
    m_securityPage = new SecurityPage(m_help, m_options, m_fields);
    m_pages = {m_sourcePage, m_newDatabasePage, m_codePage, m_tablesPage, m_securityPage};
    for (int i = 0; i < m_pages.size(); ++i) {
        m_pages[i]->setObjectName(QStringLiteral("fraWizard(%1)").arg(i));
        sstabWizard->addWidget(m_pages[i]);
    }
}

void frmWizardMain::buildButtonRow(QVBoxLayout *layout)
{
    auto *buttons = new QHBoxLayout;
    pgMain = new QProgressBar(this);
    pgMain->setObjectName(QStringLiteral("pgMain"));
    pgMain->setTextVisible(false);
    QSizePolicy keepPlace = pgMain->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    pgMain->setSizePolicy(keepPlace);
    pgMain->setVisible(false);
    buttons->addWidget(pgMain, 1);
    cmdBack = new QPushButton(QStringLiteral("<< &Back"), this);
    cmdBack->setObjectName(QStringLiteral("cmdBack"));
    cmdNext = new QPushButton(QStringLiteral("&Next >>"), this);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdNext->setDefault(true);
    cmdFinish = new QPushButton(QStringLiteral("&Finish"), this);
    cmdFinish->setObjectName(QStringLiteral("cmdFinish"));
    cmdCancel = new QPushButton(QStringLiteral("Close"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton *button : {cmdBack, cmdNext, cmdFinish, cmdCancel})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    m_help.setHelp(cmdFinish, QStringLiteral("Map the source database and create code to duplicate it"), false);
    m_help.setHelp(cmdCancel, QStringLiteral("Close the Wizard"), false);
}

// Every handler runs guarded: an error is reported under the handler's name
// and never reaches Qt's event loop.
void frmWizardMain::connectHandlers()
{
    for (WizardPage *page : m_pages)
        connect(page, &WizardPage::buttonsChanged, this, &frmWizardMain::EnableButtons);
    // A new source: its tables are read again on the next visit of the tables page.
    connect(m_sourcePage, &SourcePage::sourceChanged, m_tablesPage, &TablesPage::clearLists);
    // An SQL script instead of the module: each page disables what means nothing for it.
    connect(m_codePage, &CodePage::writingScriptChosen, this, [this](bool script) {
        for (WizardPage *page : m_pages)
            page->setWritingScript(script);
    });

    connectGuarded(cmdBack, &QPushButton::clicked, this, "cmdBack_Click", [this] { cmdBack_Click(); });
    connectGuarded(cmdNext, &QPushButton::clicked, this, "cmdNext_Click", [this] { cmdNext_Click(); });
    connectGuarded(cmdFinish, &QPushButton::clicked, this, "cmdFinish_Click", [this] { cmdFinish_Click(); });
    connectGuarded(cmdCancel, &QPushButton::clicked, this, "cmdCancel_Click", [this] { cmdCancel_Click(); });
}

// --- Showing and unloading --------------------------------------------------------

void frmWizardMain::Show(bool modal)
{
    if (modal)
        exec();
    else
        show();
}

void frmWizardMain::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        m_unloaded = false;
        FormLoad();
    }
}

void frmWizardMain::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    if (event->isAccepted())
        unloadOnce();
}

void frmWizardMain::unloadOnce()
{
    if (!m_loaded || m_unloaded)
        return;
    m_unloaded = true;
    m_loaded = false;
    emit Unload();
}

void frmWizardMain::keyPressEvent(QKeyEvent *event)
{
    // Escape presses Close (which asks first), rather than hiding the window.
    if (event->matches(QKeySequence::Cancel)) {
        if (cmdCancel->isEnabled())
            cmdCancel->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmWizardMain::setStatusText(const QString &text)
{
    sbMain->panel(1)->setText(text);
}

// --- Form routines ------------------------------------------------------------------------

void frmWizardMain::FormLoad()
{
    try {
        setWindowTitle(wizardBuild().description);
        m_help.applyToolTips();
        setStatusText(ControlHelp::ready());
        for (WizardPage *page : m_pages)
            page->load();

        clsWriteNewDatabase &generator = m_generator;
        generator.setSourceTablesAvailableList(&m_tablesPage->available());
        generator.setSourceTablesChosenList(&m_tablesPage->chosen());
        generator.setProgressBar(m_progress.get());
        generator.setStatusBar(m_statusBar.get());
        generator.setStatusBarPanelIndex(1);
        generator.setClipboard(m_clipboard.get());

        m_currentPage = m_options.getSourceDatabase ? 0 : 1;
        MovePage();
    } catch (...) {
        reportFormError(QStringLiteral("Form_Load"));
    }
}

void frmWizardMain::MovePage()
{
    try {
        if (!currentPageObject()->enter()) {
            stayOnShownPage();
            return;
        }
    } catch (const pembry::BasicError &e) {
        if (!handleMovePageError(e.number())) {
            stayOnShownPage();
            return;
        }
    } catch (...) {
        reportFormError(QStringLiteral("MovePage"));
        stayOnShownPage();
        return;
    }
    showCurrentPage();
}

// After a page change that failed the index names the page shown again;
// that page and its buttons were left as they were.
void frmWizardMain::stayOnShownPage()
{
    if (m_shownPage >= 0)
        m_currentPage = m_shownPage;
}

// Answers an error of the page-entry work; true when MovePage goes on.
// Called inside the catch block.
bool frmWizardMain::handleMovePageError(int number)
{
    switch (number) {
    case dao::errors::NoPermission:
        pembry::MsgBox(QStringLiteral("You do not have permission to open the source database."));
        goToSourcePage(m_sourcePage->workgroupBox());
        return false;
    case dao::errors::NotValidDbPassword:
        pembry::MsgBox(QStringLiteral("Please enter a valid database password for the source database."));
        goToSourcePage(m_sourcePage->databasePasswordBox());
        return false;
    case dao::errors::NotValidAccount:
    case dao::errors::NotValidPassword:
        pembry::MsgBox(QStringLiteral("You entered an invalid username or password"));
        goToSourcePage(m_sourcePage->passwordBox());
        return false;
    case pembry::err::InvalidCall:
        return true;
    default:
        reportFormError(QStringLiteral("MovePage"));
        return false;
    }
}

void frmWizardMain::goToSourcePage(QWidget *focus)
{
    m_currentPage = 0;
    MovePage();
    if (focus->isEnabled())
        focus->setFocus(Qt::OtherFocusReason);
}

void frmWizardMain::showCurrentPage()
{
    sstabWizard->setCurrentIndex(m_currentPage);
    m_shownPage = m_currentPage;
    QWidget *focus = currentPageObject()->firstFocus();
    if (focus && focus->isEnabled())
        focus->setFocus(Qt::OtherFocusReason);
    EnableButtons();
}

// Finish on the pages between the first and the last: with hardcoded
// security once its login is given, otherwise once a table is chosen.
bool frmWizardMain::finishRule() const
{
    if (m_securityPage->hardcoded())
        return m_securityPage->loginGiven();
    return m_tablesPage->chosen().ListCount() > 0;
}

void frmWizardMain::EnableButtons()
{
    try {
        const WizardPage::Buttons enabled = currentPageObject()->buttons(finishRule());
        cmdBack->setEnabled(enabled.back);
        cmdNext->setEnabled(enabled.next);
        cmdFinish->setEnabled(enabled.finish);
    } catch (...) {
        reportFormError(QStringLiteral("EnableButtons"));
    }
}

// --- Buttons below the pages ----------------------------------------------------------------

void frmWizardMain::cmdBack_Click()
{
    if (m_currentPage > 0) {
        --m_currentPage;
        MovePage();
    }
}

void frmWizardMain::cmdNext_Click()
{
    if (m_currentPage < PageCount - 1) {
        ++m_currentPage;
        MovePage();
    }
}

GeneratorSettings frmWizardMain::chosenSettings() const
{
    return m_fields.collect(m_generator.settings());
}

// The fields the module left out because no DAO type names them, after the
// message that says where the module went.
static void showLeftOutFieldsMessage(const QList<LeftOutField> &fields)
{
    if (fields.isEmpty())
        return;
    QStringList lines;
    for (const LeftOutField &field : fields)
        lines << leftOutFieldWarning(field.table, field.field, field.storageType);
    pembry::MsgBox(QStringLiteral("The new database will lack the fields that no DAO type names.\r\n\r\n")
                       + lines.join(QStringLiteral("\r\n")),
                   pembry::mb::OKOnly | pembry::mb::Exclamation, libraryTitle());
}

// What the SQL script left out, each with a "-- Left out:" comment in it.
static void showScriptWarningsMessage(const QStringList &warnings)
{
    if (warnings.isEmpty())
        return;
    QStringList lines;
    for (const QString &warning : warnings)
        lines << escapedForDisplay(warning);
    pembry::MsgBox(QStringLiteral("The SQL script leaves out what its engine cannot hold or it cannot translate; "
                                  "a \"-- Left out:\" comment marks each in the script.\r\n\r\n")
                       + lines.join(QStringLiteral("\r\n")),
                   pembry::mb::OKOnly | pembry::mb::Exclamation, libraryTitle());
}

// The saved queries the module leaves out, or creates in the file's order
// since they read each other in a circle.
static void showQueryWarningsMessage(const QStringList &warnings)
{
    if (warnings.isEmpty())
        return;
    QStringList lines;
    for (const QString &warning : warnings)
        lines << escapedForDisplay(warning);
    pembry::MsgBox(QStringLiteral("Not every saved query is recreated as the source has it; a \"'Left out:\" "
                                  "comment in the Queries procedure marks each query left out.\r\n\r\n")
                       + lines.join(QStringLiteral("\r\n")),
                   pembry::mb::OKOnly | pembry::mb::Exclamation, libraryTitle());
}

void frmWizardMain::cmdFinish_Click()
{
    m_succeeded = false;
    try {
        clsWriteNewDatabase &generator = m_generator;
        const GeneratorSettings settings = chosenSettings();
        // Checked here first, to name the boxes rather than the settings.
        checkCodeStyle(settings, CodePage::settingLabels());
        generator.setSettings(settings);
        {
            BusyPointer busy;
            m_succeeded = generator.WriteTableCreationCode();
        }
        showDamagedSourceMessage(generator.SourceWarnings());
        showLeftOutFieldsMessage(generator.LeftOutFields());
        showScriptWarningsMessage(generator.ScriptWarnings());
        showQueryWarningsMessage(generator.QueryWarnings());
        emit AfterWizardComplete();
    } catch (const pembry::BasicError &e) {
        if (e.number() == dao::errors::NoPermission)
            showSecuredSourceMessage();
        else
            reportFormError(QStringLiteral("cmdFinish_Click"));
    } catch (...) {
        reportFormError(QStringLiteral("cmdFinish_Click"));
    }
}

// What a damaged source cost the module, after the message that says where
// the module went.
void frmWizardMain::showDamagedSourceMessage(const QStringList &warnings)
{
    if (!warnings.isEmpty())
        pembry::MsgBox(QStringLiteral("The source database is damaged: the module lacks what could not be read.\r\n\r\n")
                           + warnings.join(QStringLiteral("\r\n")),
                       pembry::mb::OKOnly | pembry::mb::Exclamation, libraryTitle());
}

// The generator could not read the design of the source's tables.
void frmWizardMain::showSecuredSourceMessage()
{
    if (m_options.getSourceDatabase) {
        pembry::MsgBox(QStringLiteral("The database you have specified has been secured using Microsoft Jet "
                                      "security.\r\n\r\nYou must specify the workgroup (MDW) file to log into, "
                                      "as well as the username and password of a user account that has Read "
                                      "Design permission on the tables in this database.\r\n\r\nPlease close "
                                      "Tabulo and run it again and ensure that you specify the correct security "
                                      "information."));
    } else {
        pembry::MsgBox(QStringLiteral("The current database has been secured using Microsoft Jet security.\r\n"
                                      "Tabulo cannot read the tables under the current user account.\r\n\r\n"
                                      "Before you can run Tabulo on this database, you must log into Access "
                                      "under a user account that has Read Design permission on the tables in "
                                      "the database."));
    }
}

void frmWizardMain::cmdCancel_Click()
{
    const int answer = pembry::MsgBox(QStringLiteral("Do you wish to close the Tabulo Wizard?"),
                                      pembry::mb::YesNo | pembry::mb::Question, QStringLiteral("Exit Wizard"));
    if (answer == pembry::mb::Yes)
        close();
}

}  // namespace tabulo
