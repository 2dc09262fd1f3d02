#include "wizard/form/frmWizardMain.h"

#include "utility/BasicError.h"
#include "utility/CDialog.h"
#include "utility/MessageService.h"
#include "utility/OS32Helper.h"
#include "utility/TextHelper.h"
#include "utility/VBObjectHelper.h"
#include "utility/Variant.h"
#include "wizard/engine/Dao.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/errors/clsErrorHandler.h"
#include "wizard/form/QtUiControls.h"
#include "wizard/form/WizardStatusBar.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace tabulo {

namespace {

// The busy pointer, through the library's one VBObjectHelper (the window is
// its only user).
void busyPointer(bool show)
{
    vbObjectHelper().MouseHourGlass(show);
}

constexpr int ControlArrayElementMissing = 340;

const QString kReady = QStringLiteral("Ready");

QString arrayName(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

QLineEdit *textBox(const char *name, QWidget *parent, const QString &text = {}, bool masked = false)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    if (masked)
        box->setEchoMode(QLineEdit::Password);
    return box;
}

QLabel *caption(const QString &text, QLineEdit *buddy, QWidget *parent, const char *name = nullptr)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    if (name)
        label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton *browseButton(const char *name, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setAccessibleName(QStringLiteral("Browse"));
    return button;
}

QPushButton *boldButton(const char *name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    return button;
}

QCheckBox *checkBox(const char *name, const QString &text, QWidget *parent, bool ticked = false)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(ticked);
    return box;
}

QRadioButton *option(const char *name, int index, const QString &text, QWidget *parent)
{
    auto *button = new QRadioButton(text, parent);
    button->setObjectName(arrayName(name, index));
    return button;
}

// A text box with its browse button to the right.
QHBoxLayout *withBrowse(QLineEdit *box, QPushButton *browse)
{
    auto *row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(browse);
    return row;
}

// Basic's Trim: blanks only.
QString trimBlanks(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

// Basic's CInt of a text: a number rounded to a 16-bit integer.
qint16 toInteger16(const QString &text)
{
    const qint64 value = pembry::Variant(text).toInteger();
    if (value < -32768 || value > 32767)
        pembry::raiseError(pembry::err::Overflow, QStringLiteral("frmWizardMain"));
    return qint16(value);
}

}  // namespace

// --- Building ------------------------------------------------------------------

frmWizardMain::frmWizardMain(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmWizardMain"));
    setWindowTitle(QStringLiteral("Tabulo Wizard"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    buildWindow();
    connectHandlers();
}

frmWizardMain::~frmWizardMain()
{
    unloadOnce();
    // The generator outlives the window: take back the widgets handed to it.
    clsWriteNewDatabase &generator = gobjWriteNewDatabase();
    if (m_available && generator.SourceTablesAvailableList() == m_available.get()) {
        generator.setSourceTablesAvailableList(nullptr);
        generator.setSourceTablesChosenList(nullptr);
        generator.setProgressBar(nullptr);
        generator.setStatusBar(nullptr);
        generator.setClipboard(nullptr);
    }
}

void frmWizardMain::buildWindow()
{
    auto *layout = new QVBoxLayout(this);

    sstabWizard = new QStackedWidget(this);
    sstabWizard->setObjectName(QStringLiteral("sstabWizard"));
    for (QWidget *page : {buildSourcePage(), buildNewDatabasePage(), buildCodePage(), buildTablesPage(),
                          buildSecurityPage()}) {
        page->setObjectName(arrayName("fraWizard", int(fraWizard.size())));
        fraWizard.append(page);
        sstabWizard->addWidget(page);
    }
    layout->addWidget(sstabWizard, 1);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

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
    setHelp(cmdFinish, QStringLiteral("Map the source database and create code to duplicate it"), false);
    setHelp(cmdCancel, QStringLiteral("Close the Wizard"), false);

    sbMain = new WizardStatusBar(this);
    sbMain->setObjectName(QStringLiteral("sbMain"));
    layout->addWidget(sbMain);
    layout->setContentsMargins(8, 8, 8, 0);

    m_available = std::make_unique<QtListControl>(lstTablesAvailable);
    m_chosen = std::make_unique<QtListControl>(lstTablesChosen);
    m_progress = std::make_unique<QtProgressDisplay>(pgMain);
    m_statusBar = std::make_unique<QtStatusBarControl>(sbMain);
    m_clipboard = std::make_unique<QtClipboard>();

    resize(sizeHint().expandedTo(QSize(560, 420)));
}

QWidget *frmWizardMain::buildSourcePage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(heading(QStringLiteral("Specify where to find the source database to duplicate"), page), 0, 0, 1, 2);

    txtDBSource = textBox("txtDBSource", page);
    cmdBrowseSourceDB = browseButton("cmdBrowseSourceDB", page);
    grid->addWidget(caption(QStringLiteral("&Source Database"), txtDBSource, page, "lblDBSource"), 1, 0);
    grid->addLayout(withBrowse(txtDBSource, cmdBrowseSourceDB), 1, 1);

    grid->addWidget(heading(QStringLiteral("If necessary, enter the security information required to open the database."),
                            page),
                    2, 0, 1, 2);
    txtMDWSource = textBox("txtMDWSource", page);
    cmdBrowseSourceMDW = browseButton("cmdBrowseSourceMDW", page);
    grid->addWidget(caption(QStringLiteral("Source &MDW"), txtMDWSource, page, "lblMDWSource"), 3, 0);
    grid->addLayout(withBrowse(txtMDWSource, cmdBrowseSourceMDW), 3, 1);

    txtUserNameSource = textBox("txtUserNameSource", page);
    txtUserNameSource->setEnabled(false);
    grid->addWidget(caption(QStringLiteral("&User Name"), txtUserNameSource, page, "lblUserNameSource"), 4, 0);
    grid->addWidget(txtUserNameSource, 4, 1);

    txtPasswordSource = textBox("txtPasswordSource", page, {}, true);
    txtPasswordSource->setEnabled(false);
    grid->addWidget(caption(QStringLiteral("&Password"), txtPasswordSource, page, "lblPasswordSource"), 5, 0);
    grid->addWidget(txtPasswordSource, 5, 1);

    txtPasswordDBSource = textBox("txtPasswordDBSource", page, {}, true);
    grid->addWidget(caption(QStringLiteral("&Database Password"), txtPasswordDBSource, page, "lblPasswordDBSource"),
                    6, 0);
    grid->addWidget(txtPasswordDBSource, 6, 1);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);

    setHelp(txtDBSource, QStringLiteral("Database to be duplicated"));
    setHelp(txtMDWSource, QStringLiteral("Workgroup that secures the source database"));
    setHelp(txtUserNameSource, QStringLiteral("Username to log into the source workgroup"));
    setHelp(txtPasswordSource, QStringLiteral("Password to log into the source workgroup"));
    setHelp(txtPasswordDBSource, QStringLiteral("Database password required to open the source database"));
    m_textBoxes << txtDBSource << txtMDWSource << txtUserNameSource << txtPasswordSource << txtPasswordDBSource;
    return page;
}

QWidget *frmWizardMain::buildNewDatabasePage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(heading(QStringLiteral("Specify options for the new database."), page));

    auto *location = new QGroupBox(QStringLiteral("Location"), page);
    location->setObjectName(QStringLiteral("fraLocation"));
    auto *locationLayout = new QGridLayout(location);
    optDatabaseLocation << option("optDatabaseLocation", 0, QStringLiteral("Create tables in \"&Current\" Database"),
                                  location)
                        << option("optDatabaseLocation", 1,
                                  QStringLiteral("Create a new &database in the following location:"), location);
    txtDBNew = textBox("txtDBNew", location);
    cmdBrowseNewDB = browseButton("cmdBrowseNewDB", location);
    optDatabaseLocation << option("optDatabaseLocation", 2, QStringLiteral("Use &Run-time Variable"), location);
    locationLayout->addWidget(optDatabaseLocation[0], 0, 0, 1, 2);
    locationLayout->addWidget(optDatabaseLocation[1], 1, 0, 1, 2);
    locationLayout->addLayout(withBrowse(txtDBNew, cmdBrowseNewDB), 2, 1);
    locationLayout->addWidget(optDatabaseLocation[2], 3, 0, 1, 2);
    locationLayout->setColumnMinimumWidth(0, 16);
    locationLayout->setColumnStretch(1, 1);
    layout->addWidget(location);

    auto *row = new QHBoxLayout;
    fraVersion = new QGroupBox(QStringLiteral("Version"), page);
    fraVersion->setObjectName(QStringLiteral("fraVersion"));
    auto *versionLayout = new QVBoxLayout(fraVersion);
    const QStringList versions = {QStringLiteral("Jet 1.&0 (Access 1.0)"), QStringLiteral("Jet &1.1 (Access 1.1)"),
                                  QStringLiteral("Jet &2.0 (Access 2.0)"), QStringLiteral("Jet &3.0/3.5 (Access 95/97)"),
                                  QStringLiteral("Jet &4.0 (Access 2000)")};
    for (int i = 0; i < versions.size(); ++i) {
        optVersion << option("optVersion", i, versions[i], fraVersion);
        versionLayout->addWidget(optVersion.last());
        setHelp(optVersion.last(), QString());
    }
    row->addWidget(fraVersion, 1);

    auto *right = new QVBoxLayout;
    cboLocale = new QComboBox(page);
    cboLocale->setObjectName(QStringLiteral("cboLocale"));
    cboLocale->addItems(GeneratorSettings::locales());
    auto *localeLabel = new QLabel(QStringLiteral("&Locale"), page);
    localeLabel->setObjectName(QStringLiteral("lblLocale"));
    localeLabel->setBuddy(cboLocale);
    chkEncrypt = checkBox("chkEncrypt", QStringLiteral("&Encrypt"), page);
    right->addWidget(localeLabel);
    right->addWidget(cboLocale);
    right->addSpacing(8);
    right->addWidget(chkEncrypt);
    right->addStretch(1);
    row->addLayout(right, 1);
    layout->addLayout(row);
    layout->addStretch(1);

    setHelp(optDatabaseLocation[0], QStringLiteral("Create tables in the database where the code is run"));
    setHelp(optDatabaseLocation[1], QStringLiteral("Hardcode the location of the new database"));
    setHelp(optDatabaseLocation[2], QStringLiteral("Use a run-time variable supplied by your program"));
    setHelp(txtDBNew, QStringLiteral("Location of the new database to hardcode into the module"));
    setHelp(fraVersion, QStringLiteral("Version of the new database"), false);
    setHelp(chkEncrypt, QStringLiteral("Encrypt the new database"));
    m_textBoxes << txtDBNew;
    return page;
}

QWidget *frmWizardMain::buildCodePage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(
        heading(QStringLiteral("What do you want to name the variables that will be used in the module?"), page));

    auto *names = new QGridLayout;
    auto addName = [&](const char *name, const QString &label, const QString &text, int row, int column) {
        QLineEdit *box = textBox(name, page, text);
        const QByteArray labelName = "lbl" + QByteArray(name).mid(3);
        names->addWidget(caption(label, box, page, labelName.constData()), row, column * 2);
        names->addWidget(box, row, column * 2 + 1);
        m_textBoxes << box;
        return box;
    };
    const GeneratorSettings &initial = GeneratorSettings::windowInitial();
    txtVarNameNewDB = addName("txtVarNameNewDB", QStringLiteral("&Database"), initial.varNameNewDB, 0, 0);
    txtVarNameNewTable = addName("txtVarNameNewTable", QStringLiteral("&Table"), initial.varNameNewTable, 0, 1);
    txtVarNameNewField = addName("txtVarNameNewField", QStringLiteral("Fie&ld"), initial.varNameNewField, 1, 0);
    txtVarNameNewRelation =
        addName("txtVarNameNewRelation", QStringLiteral("&Relation"), initial.varNameNewRelation, 1, 1);
    txtVarNameNewIndex = addName("txtVarNameNewIndex", QStringLiteral("&Index"), initial.varNameNewIndex, 2, 0);
    txtProcPrefix = addName("txtProcPrefix", QStringLiteral("&Procedure Prefix"), initial.procPrefix, 2, 1);
    txtTabStop = addName("txtTabStop", QStringLiteral("Tab &Stop"), QString::number(initial.tabStop), 3, 0);
    // Digits only: the tab stop is a count of blanks.
    txtTabStop->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), txtTabStop));
    names->setColumnStretch(1, 1);
    names->setColumnStretch(3, 1);
    layout->addLayout(names);

    layout->addSpacing(6);
    layout->addWidget(heading(QStringLiteral("What do you want to do with the database duplication code?"), page));
    auto *choices = new QHBoxLayout;
    chkCopyToClipboard =
        checkBox("chkCopyToClipboard", QStringLiteral("Copy t&o Clipboard"), page, initial.copyToClipboard);
    // "M": "N" is Next's key.
    chkInsertIntoModule = checkBox("chkInsertIntoModule", QStringLiteral("Insert into New &Module"), page);
    fraInsertTopBottom = new QGroupBox(page);
    fraInsertTopBottom->setObjectName(QStringLiteral("fraInsertTopBottom"));
    auto *insertLayout = new QHBoxLayout(fraInsertTopBottom);
    optInsertTopBottom << option("optInsertTopBottom", 0, QStringLiteral("At &Top"), fraInsertTopBottom)
                       << option("optInsertTopBottom", 1, QStringLiteral("At &Bottom"), fraInsertTopBottom);
    for (QRadioButton *position : optInsertTopBottom) {
        insertLayout->addWidget(position);
        position->setEnabled(false);
    }
    optInsertTopBottom[1]->setChecked(true);
    choices->addWidget(chkCopyToClipboard);
    choices->addWidget(chkInsertIntoModule);
    choices->addWidget(fraInsertTopBottom);
    choices->addStretch(1);
    layout->addLayout(choices);

    auto *saveAs = new QGroupBox(QStringLiteral("Save &As"), page);
    saveAs->setObjectName(QStringLiteral("fraSaveAs"));
    auto *saveLayout = new QVBoxLayout(saveAs);
    txtCodeDestinationFile = textBox("txtCodeDestinationFile", saveAs);
    cmdBrowseCodeFile = browseButton("cmdBrowseCodeFile", saveAs);
    chkRunNotepad = checkBox("chkRunNotepad", QStringLiteral("Op&en in Notepad"), saveAs, initial.runNotepad);
    chkRunNotepad->setEnabled(false);
    chkWriteVB5Header = checkBox("chkWriteVB5Header", QStringLiteral("Include &VB Header Information"), saveAs,
                                 initial.writeVB5Header);
    chkWriteVB5Header->setEnabled(false);
    saveLayout->addLayout(withBrowse(txtCodeDestinationFile, cmdBrowseCodeFile));
    auto *saveOptions = new QHBoxLayout;
    saveOptions->addWidget(chkRunNotepad);
    saveOptions->addWidget(chkWriteVB5Header);
    saveOptions->addStretch(1);
    saveLayout->addLayout(saveOptions);
    layout->addWidget(saveAs);
    layout->addStretch(1);
    // The frame's access key goes to the file box, not to the control of
    // the frame that had the focus last.
    m_frameFocus.insert(saveAs, txtCodeDestinationFile);

    setHelp(txtTabStop, QStringLiteral("Number of spaces to insert for each tab indentation"));
    setHelp(chkCopyToClipboard, QStringLiteral("Copy the code to the Windows clipboard"));
    setHelp(txtCodeDestinationFile, QStringLiteral("Full path of the text file to save the module as"));
    setHelp(chkRunNotepad, QStringLiteral("Immediately open the text file in Windows Notepad"));
    setHelp(chkWriteVB5Header,
            QStringLiteral("Add text required by Visual Basic to automatically recognize the file as a module"));
    m_textBoxes << txtCodeDestinationFile;
    return page;
}

QWidget *frmWizardMain::buildTablesPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(heading(QStringLiteral("Choose the tables you want to include in the new database"), page), 0, 0, 1, 3);

    auto *availableLabel = new QLabel(QStringLiteral("Available"), page);
    availableLabel->setObjectName(QStringLiteral("lblTablesAvailable"));
    auto *chosenLabel = new QLabel(QStringLiteral("Include"), page);
    chosenLabel->setObjectName(QStringLiteral("lblTablesChosen"));
    grid->addWidget(availableLabel, 1, 0);
    grid->addWidget(chosenLabel, 1, 2);

    lstTablesAvailable = new QListWidget(page);
    lstTablesAvailable->setObjectName(QStringLiteral("lstTablesAvailable"));
    auto *moves = new QVBoxLayout;
    cmdAddOne = boldButton("cmdAddOne", QStringLiteral(">"), page);
    cmdAddAll = boldButton("cmdAddAll", QStringLiteral(">>"), page);
    cmdRemoveOne = boldButton("cmdRemoveOne", QStringLiteral("<"), page);
    cmdRemoveAll = boldButton("cmdRemoveAll", QStringLiteral("<<"), page);
    moves->addStretch(1);
    for (QPushButton *button : {cmdAddOne, cmdAddAll, cmdRemoveOne, cmdRemoveAll})
        moves->addWidget(button);
    moves->addStretch(1);
    lstTablesChosen = new QListWidget(page);
    lstTablesChosen->setObjectName(QStringLiteral("lstTablesChosen"));
    for (QListWidget *list : {lstTablesAvailable, lstTablesChosen})
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    availableLabel->setBuddy(lstTablesAvailable);
    chosenLabel->setBuddy(lstTablesChosen);
    grid->addWidget(lstTablesAvailable, 2, 0);
    grid->addLayout(moves, 2, 1);
    grid->addWidget(lstTablesChosen, 2, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);

    const GeneratorSettings &initial = GeneratorSettings::windowInitial();
    chkIncludeRelations = checkBox("chkIncludeRelations", QStringLiteral("&Create Relations in new Database"), page,
                                   initial.includeRelations);
    chkIncludeDatabaseWrapper = checkBox("chkIncludeDatabaseWrapper", QStringLiteral("&Write Database Wrapper Function"),
                                         page, initial.includeDatabaseWrapper);
    grid->addWidget(chkIncludeRelations, 3, 0, 1, 3);
    grid->addWidget(chkIncludeDatabaseWrapper, 4, 0, 1, 3);

    setHelp(chkIncludeRelations, QStringLiteral("Duplicate source database relations in the new database"));
    setHelp(chkIncludeDatabaseWrapper, QStringLiteral("Add a wrapper function around the table procedures"));
    return page;
}

QWidget *frmWizardMain::buildSecurityPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(heading(QStringLiteral("If the new database will be secured, specify the required information."),
                            page),
                    0, 0, 1, 2);
    optNewDBSecurity << option("optNewDBSecurity", 0, QStringLiteral("&Create an Unsecured Database"), page)
                     << option("optNewDBSecurity", 1, QStringLiteral("Use &Run-time Parameters to Establish Security"),
                               page)
                     << option("optNewDBSecurity", 2, QStringLiteral("Use &Hardcoded Security Parameters"), page);
    optNewDBSecurity[0]->setChecked(true);
    for (int i = 0; i < optNewDBSecurity.size(); ++i)
        grid->addWidget(optNewDBSecurity[i], 1 + i, 0, 1, 2);

    txtMDWNew = textBox("txtMDWNew", page);
    cmdBrowseNewMDW = browseButton("cmdBrowseNewMDW", page);
    lblMDWNew = caption(QStringLiteral("New &MDW"), txtMDWNew, page, "lblMDWNew");
    grid->addWidget(lblMDWNew, 4, 0);
    grid->addLayout(withBrowse(txtMDWNew, cmdBrowseNewMDW), 4, 1);
    txtUserNameNew = textBox("txtUserNameNew", page);
    lblUserNameNew = caption(QStringLiteral("&User Name"), txtUserNameNew, page, "lblUserNameNew");
    grid->addWidget(lblUserNameNew, 5, 0);
    grid->addWidget(txtUserNameNew, 5, 1);
    txtPasswordNew = textBox("txtPasswordNew", page, {}, true);
    lblPasswordNew = caption(QStringLiteral("&Password"), txtPasswordNew, page, "lblPasswordNew");
    grid->addWidget(lblPasswordNew, 6, 0);
    grid->addWidget(txtPasswordNew, 6, 1);
    txtPasswordDBNew = textBox("txtPasswordDBNew", page, {}, true);
    lblPasswordDBNew = caption(QStringLiteral("&Database Password"), txtPasswordDBNew, page, "lblPasswordDBNew");
    grid->addWidget(lblPasswordDBNew, 7, 0);
    grid->addWidget(txtPasswordDBNew, 7, 1);
    for (QWidget *control : std::initializer_list<QWidget *>{lblMDWNew, txtMDWNew, cmdBrowseNewMDW, lblUserNameNew,
                                                              txtUserNameNew, lblPasswordNew, txtPasswordNew,
                                                              lblPasswordDBNew, txtPasswordDBNew})
        control->setEnabled(false);
    grid->setColumnMinimumWidth(0, 120);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(8, 1);

    setHelp(optNewDBSecurity[0], QStringLiteral("Create the new database under the default workgoup"));
    setHelp(optNewDBSecurity[1],
            QStringLiteral("Use run-time variables supplied by your program to secure the new database"));
    setHelp(optNewDBSecurity[2], QStringLiteral("Hardcode the specified security parameters into the module"));
    setHelp(txtMDWNew, QStringLiteral("Workgroup under which to create the new database"));
    setHelp(txtUserNameNew, QStringLiteral("Username to log into the new workgroup"));
    setHelp(txtPasswordNew, QStringLiteral("Password to log into the new workgroup"));
    setHelp(txtPasswordDBNew, QStringLiteral("Database password to set when creating the new database"));
    m_textBoxes << txtMDWNew << txtUserNameNew << txtPasswordNew << txtPasswordDBNew;
    return page;
}

void frmWizardMain::setHelp(QWidget *control, const QString &text, bool onFocus)
{
    m_tags.insert(control, text);
    if (onFocus)
        m_focusHelp.insert(control, text);
}

// Every handler runs guarded: an error is reported under the handler's name
// and never reaches Qt's event loop.
void frmWizardMain::connectHandlers()
{
    auto onText = [this](QLineEdit *box, const char *routine, auto handler) {
        connect(box, &QLineEdit::textChanged, this, [this, routine, handler] { guarded(routine, handler); });
    };
    auto onTick = [this](QCheckBox *box, const char *routine, auto handler) {
        connect(box, &QCheckBox::toggled, this, [this, routine, handler] { guarded(routine, handler); });
    };
    auto onClick = [this](QPushButton *button, const char *routine, void (frmWizardMain::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, routine, handler] {
            guarded(routine, [this, handler] { (this->*handler)(); });
        });
    };
    auto onOption = [this](const QList<QRadioButton *> &options, const char *routine,
                           void (frmWizardMain::*handler)(int)) {
        for (int i = 0; i < options.size(); ++i) {
            connect(options[i], &QRadioButton::toggled, this, [this, routine, handler, i](bool selected) {
                if (selected)
                    guarded(routine, [this, handler, i] { (this->*handler)(i); });
            });
        }
    };

    // Page 0
    onText(txtDBSource, "txtDBSource_Change", [this] { txtDBSource_Change(); });
    onText(txtMDWSource, "txtMDWSource_Change", [this] { txtMDWSource_Change(); });
    onText(txtUserNameSource, "txtUserNameSource_Change",
           [this] { gobjWriteNewDatabase().setUserNameSource(txtUserNameSource->text()); });
    onText(txtPasswordSource, "txtPasswordSource_Change",
           [this] { gobjWriteNewDatabase().setPasswordMDWSource(txtPasswordSource->text()); });
    onText(txtPasswordDBSource, "txtPasswordDBSource_Change",
           [this] { gobjWriteNewDatabase().setPasswordDBSource(txtPasswordDBSource->text()); });
    onClick(cmdBrowseSourceDB, "cmdBrowseSourceDB_Click", &frmWizardMain::cmdBrowseSourceDB_Click);
    onClick(cmdBrowseSourceMDW, "cmdBrowseSourceMDW_Click", &frmWizardMain::cmdBrowseSourceMDW_Click);

    // Page 1
    onOption(optDatabaseLocation, "optDatabaseLocation_Click", &frmWizardMain::optDatabaseLocation_Click);
    onText(txtDBNew, "txtDBNew_Change", [this] { txtDBNew_Change(); });
    onClick(cmdBrowseNewDB, "cmdBrowseNewDB_Click", &frmWizardMain::cmdBrowseNewDB_Click);
    onOption(optVersion, "optVersion_Click", &frmWizardMain::optVersion_Click);

    // Page 2
    onText(txtVarNameNewDB, "txtVarNameNewDB_Change",
           [this] { gobjWriteNewDatabase().setVarNameNewDB(txtVarNameNewDB->text()); });
    onText(txtVarNameNewTable, "txtVarNameNewTable_Change",
           [this] { gobjWriteNewDatabase().setVarNameNewTable(txtVarNameNewTable->text()); });
    onText(txtVarNameNewField, "txtVarNameNewField_Change",
           [this] { gobjWriteNewDatabase().setVarNameNewField(txtVarNameNewField->text()); });
    onText(txtVarNameNewRelation, "txtVarNameNewRelation_Change",
           [this] { gobjWriteNewDatabase().setVarNameNewRelation(txtVarNameNewRelation->text()); });
    onText(txtVarNameNewIndex, "txtVarNameNewIndex_Change",
           [this] { gobjWriteNewDatabase().setVarNameNewIndex(txtVarNameNewIndex->text()); });
    onText(txtProcPrefix, "txtProcPrefix_Change",
           [this] { gobjWriteNewDatabase().setProcPrefix(txtProcPrefix->text()); });
    onText(txtTabStop, "txtTabStop_Change", [this] { txtTabStop_Change(); });
    onTick(chkCopyToClipboard, "chkCopyToClipboard_Click", [this] {
        gobjWriteNewDatabase().setCopyToClipboard(chkCopyToClipboard->isChecked());
        EnableButtons();
    });
    onTick(chkInsertIntoModule, "chkInsertIntoModule_Click", [this] { chkInsertIntoModule_Click(); });
    onOption(optInsertTopBottom, "optInsertTopBottom_Click", &frmWizardMain::optInsertTopBottom_Click);
    onText(txtCodeDestinationFile, "txtCodeDestinationFile_Change", [this] { txtCodeDestinationFile_Change(); });
    onClick(cmdBrowseCodeFile, "cmdBrowseCodeFile_Click", &frmWizardMain::cmdBrowseCodeFile_Click);
    onTick(chkRunNotepad, "chkRunNotepad_Click",
           [this] { gobjWriteNewDatabase().setRunNotepad(chkRunNotepad->isChecked()); });
    onTick(chkWriteVB5Header, "chkWriteVB5Header_Click",
           [this] { gobjWriteNewDatabase().setWriteVB5Header(chkWriteVB5Header->isChecked()); });

    // Page 3
    onClick(cmdAddOne, "cmdAddOne_Click", &frmWizardMain::cmdAddOne_Click);
    onClick(cmdAddAll, "cmdAddAll_Click", &frmWizardMain::cmdAddAll_Click);
    onClick(cmdRemoveOne, "cmdRemoveOne_Click", &frmWizardMain::cmdRemoveOne_Click);
    onClick(cmdRemoveAll, "cmdRemoveAll_Click", &frmWizardMain::cmdRemoveAll_Click);
    onTick(chkIncludeDatabaseWrapper, "chkIncludeDatabaseWrapper_Click", [this] {
        gobjWriteNewDatabase().setIncludeDatabaseWrapper(chkIncludeDatabaseWrapper->isChecked());
    });

    // Page 4
    onOption(optNewDBSecurity, "optNewDBSecurity_Click", &frmWizardMain::optNewDBSecurity_Click);
    onText(txtMDWNew, "txtMDWNew_Change", [this] { txtMDWNew_Change(); });
    onClick(cmdBrowseNewMDW, "cmdBrowseNewMDW_Click", &frmWizardMain::cmdBrowseNewMDW_Click);
    onText(txtUserNameNew, "txtUserNameNew_Change", [this] {
        gobjWriteNewDatabase().setUserNameNew(txtUserNameNew->text());
        EnableButtons();
    });
    onText(txtPasswordNew, "txtPasswordNew_Change",
           [this] { gobjWriteNewDatabase().setPasswordMDWNew(txtPasswordNew->text()); });
    onText(txtPasswordDBNew, "txtPasswordDBNew_Change",
           [this] { gobjWriteNewDatabase().setPasswordDBNew(txtPasswordDBNew->text()); });

    // The buttons below the pages
    onClick(cmdBack, "cmdBack_Click", &frmWizardMain::cmdBack_Click);
    onClick(cmdNext, "cmdNext_Click", &frmWizardMain::cmdNext_Click);
    onClick(cmdFinish, "cmdFinish_Click", &frmWizardMain::cmdFinish_Click);
    onClick(cmdCancel, "cmdCancel_Click", &frmWizardMain::cmdCancel_Click);

    for (auto it = m_focusHelp.cbegin(); it != m_focusHelp.cend(); ++it)
        it.key()->installEventFilter(this);
    for (QLineEdit *box : m_textBoxes)
        box->installEventFilter(this);
    for (auto it = m_frameFocus.cbegin(); it != m_frameFocus.cend(); ++it)
        it.key()->installEventFilter(this);
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

bool frmWizardMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Shortcut) {
        const auto focus = m_frameFocus.constFind(static_cast<QWidget *>(watched));
        if (focus != m_frameFocus.cend()) {
            if ((*focus)->isEnabled())
                (*focus)->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        auto *control = static_cast<QWidget *>(watched);
        const auto help = m_focusHelp.constFind(control);
        if (help != m_focusHelp.cend())
            setStatusText(event->type() == QEvent::FocusIn ? *help : kReady);
        if (event->type() == QEvent::FocusIn) {
            if (auto *box = qobject_cast<QLineEdit *>(control); box && !box->text().isEmpty())
                box->selectAll();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmWizardMain::setStatusText(const QString &text)
{
    sbMain->panel(1)->setText(text);
}

// --- Error reporting -----------------------------------------------------------------

template <class Body>
void frmWizardMain::guarded(const char *routine, Body &&body)
{
    try {
        body();
    } catch (...) {
        reportError(QLatin1String(routine));
    }
}

void frmWizardMain::reportError(const QString &routine)
{
    clsErrorHandler &handler = gobjErrorHandler();
    handler.ErrorProcess();
    QString title;
    handler.ErrorHandler(QStringLiteral("frmWizardMain - ") + routine, true, pembry::mb::Exclamation, title);
}

// --- Form routines ------------------------------------------------------------------------

void frmWizardMain::FormLoad()
{
    try {
        setWindowTitle(wizardBuild().description);
        for (auto it = m_tags.cbegin(); it != m_tags.cend(); ++it)
            it.key()->setToolTip(it.value());
        m_databaseLocation = -1;
        cboLocale->setCurrentIndex(cboLocale->findText(GeneratorSettings::windowInitial().locale));
        setStatusText(kReady);
        chkInsertIntoModule->setVisible(m_showInsertPosition);
        fraInsertTopBottom->setVisible(false);

        clsWriteNewDatabase &generator = gobjWriteNewDatabase();
        generator.setSourceTablesAvailableList(m_available.get());
        generator.setSourceTablesChosenList(m_chosen.get());
        generator.setProgressBar(m_progress.get());
        generator.setStatusBar(m_statusBar.get());
        generator.setStatusBarPanelIndex(1);
        generator.setClipboard(m_clipboard.get());

        m_currentPage = m_getSourceDatabase ? 0 : 1;
        MovePage();
    } catch (...) {
        reportError(QStringLiteral("Form_Load"));
    }
}

void frmWizardMain::MovePage()
{
    try {
        if (!pageEntryWork()) {
            stayOnShownPage();
            return;
        }
    } catch (const pembry::BasicError &e) {
        busyPointer(false);
        if (!handleMovePageError(e.number())) {
            stayOnShownPage();
            return;
        }
    } catch (...) {
        busyPointer(false);
        reportError(QStringLiteral("MovePage"));
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
        goToSourcePage(txtMDWSource);
        return false;
    case dao::errors::NotValidDbPassword:
        pembry::MsgBox(QStringLiteral("Please enter a valid database password for the source database."));
        goToSourcePage(txtPasswordDBSource);
        return false;
    case dao::errors::NotValidAccount:
    case dao::errors::NotValidPassword:
        pembry::MsgBox(QStringLiteral("You entered an invalid username or password"));
        goToSourcePage(txtPasswordSource);
        return false;
    case pembry::err::InvalidCall:
        return true;
    default:
        reportError(QStringLiteral("MovePage"));
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

bool frmWizardMain::pageEntryWork()
{
    clsWriteNewDatabase &generator = gobjWriteNewDatabase();
    switch (m_currentPage) {
    case 1: {
        // A source the engine cannot read: the generator has said why.
        if (!generator.DBSource())
            return false;
        const qint32 index = generator.DBSourceVersion();
        if (index < 0 || index >= optVersion.size())
            pembry::raiseError(ControlArrayElementMissing, QStringLiteral("frmWizardMain"),
                               QStringLiteral("Control array element '%1' doesn't exist").arg(index));
        optVersion[index]->setChecked(true);
        break;
    }
    case 2: {
        // Propose a code file beside the new database: CreateDB_<name>.bas.
        const QString path = txtDBNew->text();
        if (txtCodeDestinationFile->text().isEmpty() && path.size() > 5) {
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            const qsizetype backslash = path.lastIndexOf(QLatin1Char('\\'));
            const QChar separator = slash > backslash ? QLatin1Char('/') : QLatin1Char('\\');
            const QString name = os32Helper().PathNameNoFile(path) + separator + QStringLiteral("CreateDB_")
                                 + textHelper().RemoveAllSpaces(os32Helper().FileNameNoPath(path));
            txtCodeDestinationFile->setText(trimBlanks(name.chopped(qMin<qsizetype>(4, name.size())))
                                            + QStringLiteral(".bas"));
        }
        break;
    }
    case 3:
        if (m_available->ListCount() == 0) {
            busyPointer(true);
            generator.FillSourceTablesAvailableList();
            busyPointer(false);
        }
        break;
    default:
        break;
    }
    return true;
}

void frmWizardMain::showCurrentPage()
{
    sstabWizard->setCurrentIndex(m_currentPage);
    m_shownPage = m_currentPage;
    QWidget *focus = nullptr;
    switch (m_currentPage) {
    case 0:
        focus = txtDBSource;
        break;
    case 1:
        if (m_databaseLocation >= 0)
            focus = optDatabaseLocation[m_databaseLocation];
        break;
    case 2:
        focus = txtCodeDestinationFile;
        break;
    case 3:
        focus = cmdAddOne;
        break;
    case 4:
        focus = optNewDBSecurity[m_newDBSecurity];
        break;
    default:
        break;
    }
    if (focus && focus->isEnabled())
        focus->setFocus(Qt::OtherFocusReason);
    EnableButtons();
}

bool frmWizardMain::finishRule() const
{
    if (m_newDBSecurity == 2)
        return !txtMDWNew->text().isEmpty() && !txtUserNameNew->text().isEmpty();
    return m_chosen->ListCount() > 0;
}

void frmWizardMain::EnableButtons()
{
    try {
        switch (m_currentPage) {
        case 0:
            cmdBack->setEnabled(false);
            cmdNext->setEnabled(os32Helper().IsValidFilePath(txtDBSource->text()));
            cmdFinish->setEnabled(false);
            break;
        case 1:
            cmdBack->setEnabled(m_getSourceDatabase);
            cmdNext->setEnabled(m_databaseLocation == 0 || m_databaseLocation == 2
                                || (m_databaseLocation == 1 && !txtDBNew->text().isEmpty()));
            cmdFinish->setEnabled(finishRule());
            break;
        case 2: {
            cmdBack->setEnabled(true);
            bool next = m_insertPosition > 0 || chkCopyToClipboard->isChecked();
            if (!next) {
                QString folder = os32Helper().PathNameNoFile(txtCodeDestinationFile->text());
                next = os32Helper().IsValidFolder(folder);
            }
            cmdNext->setEnabled(next);
            cmdFinish->setEnabled(finishRule());
            break;
        }
        case 3:
            cmdBack->setEnabled(true);
            cmdNext->setEnabled(m_chosen->ListCount() > 0);
            cmdFinish->setEnabled(finishRule());
            break;
        case 4:
            cmdBack->setEnabled(true);
            cmdNext->setEnabled(false);
            cmdFinish->setEnabled(m_newDBSecurity != 2 || finishRule());
            break;
        default:
            break;
        }
    } catch (...) {
        reportError(QStringLiteral("EnableButtons"));
    }
}

// --- Option handlers ---------------------------------------------------------------------

void frmWizardMain::txtDBSource_Change()
{
    gobjWriteNewDatabase().setPathNameDBSource(txtDBSource->text());
    // A new source: its tables are read again on the next visit of the tables page.
    m_available->Clear();
    m_chosen->Clear();
    EnableButtons();
}

void frmWizardMain::txtMDWSource_Change()
{
    const bool workgroup = !txtMDWSource->text().isEmpty();
    txtUserNameSource->setEnabled(workgroup);
    txtPasswordSource->setEnabled(workgroup);
    gobjWriteNewDatabase().setPathNameMDWSource(txtMDWSource->text());
}

void frmWizardMain::optDatabaseLocation_Click(int index)
{
    m_databaseLocation = index;
    clsWriteNewDatabase &generator = gobjWriteNewDatabase();
    if (index == 0)
        generator.setPathNameDBNew(QStringLiteral("Current"));
    else if (index == 1)
        generator.setPathNameDBNew(txtDBNew->text());
    else
        generator.setPathNameDBNew(QStringLiteral("Variable"));
    fraVersion->setEnabled(index > 0);
    cboLocale->setEnabled(index > 0);
    chkEncrypt->setEnabled(index > 0);
    cmdBrowseNewDB->setEnabled(index == 1);
    txtDBNew->setEnabled(index == 1);
    EnableButtons();
}

void frmWizardMain::txtDBNew_Change()
{
    gobjWriteNewDatabase().setPathNameDBNew(txtDBNew->text());
    optDatabaseLocation[1]->setChecked(true);
    EnableButtons();
}

void frmWizardMain::optVersion_Click(int index)
{
    m_version = kJetVersions[index].code;
}

void frmWizardMain::txtTabStop_Change()
{
    // Only a count the generator takes is passed on; otherwise it keeps its
    // tab stop (Finish reports the text that cannot be converted or is too
    // large).
    bool number = false;
    const qint16 tabStop = txtTabStop->text().toShort(&number);
    if (number && tabStop >= 0 && tabStop <= kMaxTabStop)
        gobjWriteNewDatabase().setTabStop(tabStop);
}

void frmWizardMain::chkInsertIntoModule_Click()
{
    clsWriteNewDatabase &generator = gobjWriteNewDatabase();
    const bool ticked = chkInsertIntoModule->isChecked();
    if (ticked) {
        if (optInsertTopBottom[0]->isChecked()) {
            generator.setInsertPosition(1);
            m_insertPosition = 1;
        } else if (optInsertTopBottom[1]->isChecked()) {
            generator.setInsertPosition(2);
            m_insertPosition = 2;
        } else {
            optInsertTopBottom[0]->setChecked(true);
        }
    } else {
        generator.setInsertPosition(0);
        m_insertPosition = 0;
    }
    for (QRadioButton *position : optInsertTopBottom)
        position->setEnabled(ticked);
    EnableButtons();
}

void frmWizardMain::optInsertTopBottom_Click(int index)
{
    m_insertPosition = index + 1;
    gobjWriteNewDatabase().setInsertPosition(index + 1);
    EnableButtons();
}

void frmWizardMain::txtCodeDestinationFile_Change()
{
    gobjWriteNewDatabase().setPathNameCodeFile(txtCodeDestinationFile->text());
    const bool file = !txtCodeDestinationFile->text().isEmpty();
    chkRunNotepad->setEnabled(file);
    chkWriteVB5Header->setEnabled(file);
    EnableButtons();
}

void frmWizardMain::optNewDBSecurity_Click(int index)
{
    m_newDBSecurity = index;
    const bool hardcoded = index == 2;
    for (QWidget *control : std::initializer_list<QWidget *>{txtMDWNew, txtUserNameNew, txtPasswordDBNew,
                                                              txtPasswordNew, lblMDWNew, lblUserNameNew,
                                                              lblPasswordDBNew, lblPasswordNew, cmdBrowseNewMDW})
        control->setEnabled(hardcoded);
    gobjWriteNewDatabase().setNewDBSecurity(qint16(index));
    EnableButtons();
}

void frmWizardMain::txtMDWNew_Change()
{
    const bool workgroup = !txtMDWNew->text().isEmpty();
    txtUserNameNew->setEnabled(workgroup);
    txtPasswordNew->setEnabled(workgroup);
    gobjWriteNewDatabase().setPathNameMDWNew(txtMDWNew->text());
    EnableButtons();
}

// --- Table lists ----------------------------------------------------------------------------

void frmWizardMain::cmdAddOne_Click()
{
    const int selected = m_available->ListIndex();
    const QString table = selected >= 0 ? m_available->List(selected) : QString();
    auto selectNext = [&] {
        if (selected + 1 < m_available->ListCount())
            m_available->setListIndex(selected + 1);
    };
    // The chosen entries and one empty entry after them: a table is not
    // chosen twice, and without a selection nothing is added.
    const int count = m_chosen->ListCount();
    for (int i = 0; i <= count; ++i) {
        const QString entry = i < count ? m_chosen->List(i) : QString();
        if (entry == table) {
            selectNext();
            return;
        }
    }
    m_chosen->AddItem(table);
    selectNext();
    cmdRemoveOne->setEnabled(true);
    cmdRemoveAll->setEnabled(true);
    EnableButtons();
}

void frmWizardMain::cmdAddAll_Click()
{
    m_chosen->Clear();
    for (int i = 0; i < m_available->ListCount(); ++i)
        m_chosen->AddItem(m_available->List(i));
    cmdRemoveOne->setEnabled(true);
    cmdRemoveAll->setEnabled(true);
    EnableButtons();
}

void frmWizardMain::cmdRemoveOne_Click()
{
    try {
        const int selected = m_chosen->ListIndex();
        if (selected >= 0) {
            m_chosen->RemoveItem(selected);
            const int count = m_chosen->ListCount();
            if (selected < count) {
                m_chosen->setListIndex(selected);
            } else if (count > 0) {
                m_chosen->setListIndex(selected - 1);
            } else {
                cmdRemoveOne->setEnabled(false);
                cmdRemoveAll->setEnabled(false);
            }
        }
    } catch (...) {
        reportError(QStringLiteral("cmdRemoveOne_Click"));
    }
    EnableButtons();
}

void frmWizardMain::cmdRemoveAll_Click()
{
    m_chosen->Clear();
    EnableButtons();
}

// --- Browse buttons --------------------------------------------------------------------------

void frmWizardMain::cmdBrowseSourceDB_Click()
{
    pembry::CDialog dialog;
    dialog.AddFilter(QStringLiteral("Microsoft Access Databases"), QStringLiteral("*.mdb;*.mde"), true);
    dialog.AddFilter(QStringLiteral("Microsoft Access Add-Ins"), QStringLiteral("*.mda"));
    dialog.AddFilter(QStringLiteral("All Files"), QStringLiteral("*.*"));
    dialog.setDialogTitle(QStringLiteral("Locate Source Database"));
    dialog.setFlags(pembry::cdlOFNFileMustExist);
    if (dialog.ShowOpen())
        txtDBSource->setText(dialog.Filename());
    gobjWriteNewDatabase().setPathNameDBSource(txtDBSource->text());
}

void frmWizardMain::cmdBrowseSourceMDW_Click()
{
    pembry::CDialog dialog;
    dialog.AddFilter(QStringLiteral("Microsoft Access Security File"), QStringLiteral("*.mdw"), true);
    dialog.AddFilter(QStringLiteral("All Files"), QStringLiteral("*.*"));
    dialog.setDialogTitle(QStringLiteral("Locate Source Security File"));
    dialog.setFlags(pembry::cdlOFNFileMustExist);
    if (dialog.ShowOpen())
        txtMDWSource->setText(dialog.Filename());
    clsWriteNewDatabase &generator = gobjWriteNewDatabase();
    generator.setPathNameMDWSource(txtMDWSource->text());
    generator.setPasswordMDWSource(txtPasswordSource->text());
    generator.setUserNameSource(txtUserNameSource->text());
}

void frmWizardMain::cmdBrowseNewDB_Click()
{
    pembry::CDialog dialog;
    dialog.AddFilter(QStringLiteral("Microsoft Access Database"), QStringLiteral("*.mdb"), true);
    dialog.AddFilter(QStringLiteral("Microsoft Access MDE Database"), QStringLiteral("*.mde"));
    dialog.AddFilter(QStringLiteral("Microsoft Access Add-In"), QStringLiteral("*.mda"));
    dialog.AddFilter(QStringLiteral("All Files"), QStringLiteral("*.*"));
    dialog.setDefaultExt(QStringLiteral("mdb"));
    dialog.setDialogTitle(QStringLiteral("Save New Database As"));
    if (dialog.ShowSave()) {
        txtDBNew->setText(dialog.Filename());
        // A name typed with another extension under one of the Access filters
        // becomes an .mdb file.
        if ((dialog.Flags() & pembry::cdlOFNExtensionDifferent) && dialog.FilterIndex() < 4) {
            txtDBNew->setText(dialog.FileNameDefaultFilter());
            optDatabaseLocation[1]->setChecked(true);
        }
    }
    gobjWriteNewDatabase().setPathNameDBNew(txtDBNew->text());
}

void frmWizardMain::cmdBrowseCodeFile_Click()
{
    pembry::CDialog dialog;
    dialog.AddFilter(QStringLiteral("Text Files"), QStringLiteral("*.txt"));
    dialog.AddFilter(QStringLiteral("Visual Basic Module"), QStringLiteral("*.bas"), true);
    dialog.AddFilter(QStringLiteral("All Files"), QStringLiteral("*.*"));
    dialog.setDefaultExt(QStringLiteral("bas"));
    dialog.setDialogTitle(QStringLiteral("Save Code Template As"));
    dialog.setFlags(pembry::cdlOFNOverwritePrompt);
    if (dialog.ShowSave())
        txtCodeDestinationFile->setText(dialog.Filename());
    gobjWriteNewDatabase().setPathNameCodeFile(txtCodeDestinationFile->text());
}

void frmWizardMain::cmdBrowseNewMDW_Click()
{
    pembry::CDialog dialog;
    dialog.AddFilter(QStringLiteral("Microsoft Access Security File"), QStringLiteral("*.mdw"), true);
    dialog.AddFilter(QStringLiteral("All Files"), QStringLiteral("*.*"));
    dialog.setDialogTitle(QStringLiteral("Locate New Security File"));
    dialog.setFlags(pembry::cdlOFNFileMustExist);
    if (dialog.ShowOpen())
        txtMDWNew->setText(dialog.Filename());
    clsWriteNewDatabase &generator = gobjWriteNewDatabase();
    generator.setPathNameMDWNew(txtMDWNew->text());
    generator.setPasswordMDWNew(txtPasswordNew->text());
    generator.setUserNameNew(txtUserNameNew->text());
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

void frmWizardMain::cmdFinish_Click()
{
    m_succeeded = false;
    try {
        clsWriteNewDatabase &generator = gobjWriteNewDatabase();
        applyFinishSettings(generator, {.tabStop = toInteger16(txtTabStop->text()),
                                        .varNameNewDB = txtVarNameNewDB->text(),
                                        .varNameNewField = txtVarNameNewField->text(),
                                        .varNameNewIndex = txtVarNameNewIndex->text(),
                                        .varNameNewRelation = txtVarNameNewRelation->text(),
                                        .varNameNewTable = txtVarNameNewTable->text(),
                                        .version = m_version,
                                        .locale = cboLocale->currentText(),
                                        .encrypt = chkEncrypt->isChecked(),
                                        .includeRelations = chkIncludeRelations->checkState() != Qt::Unchecked});

        busyPointer(true);
        m_succeeded = generator.WriteTableCreationCode();
        busyPointer(false);
        emit AfterWizardComplete();
    } catch (const pembry::BasicError &e) {
        busyPointer(false);
        if (e.number() != dao::errors::NoPermission) {
            reportError(QStringLiteral("cmdFinish_Click"));
            return;
        }
        if (m_getSourceDatabase) {
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
    } catch (...) {
        busyPointer(false);
        reportError(QStringLiteral("cmdFinish_Click"));
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
