#include "wizard/form/pages/CodePage.h"

#include "utility/BasicError.h"
#include "utility/OS32Helper.h"
#include "utility/TextHelper.h"
#include "utility/Variant.h"
#include "utility/basPublicNotCreateableFunctions.h"
#include "wizard/form/ControlHelp.h"
#include "wizard/form/HandlerGuard.h"
#include "wizard/form/pages/NewDatabasePage.h"
#include "wizard/generator/SettingsCheck.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/sql/SqlScript.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tabulo {

namespace {

const QString kTabStopLabel = QStringLiteral("Tab Stop");
const QString kModuleExtension = QStringLiteral(".bas");
const QString kScriptExtension = QStringLiteral(".sql");

// The Tab Stop box's count: Basic's CInt of its text, a number rounded to a
// 16-bit integer. An empty box fails with 13, a count beyond 16 bits with 6,
// each naming the box.
qint16 tabStopOf(const QString &text)
{
    if (text.trimmed().isEmpty())
        pembry::raiseError(pembry::err::TypeMismatch, QStringLiteral("frmWizardMain"),
                           tabStopRefusal(QStringLiteral("empty"), kTabStopLabel));
    const qint64 value = pembry::Variant(text).toInteger();
    if (value < -32768 || value > 32767)
        pembry::raiseError(pembry::err::Overflow, QStringLiteral("frmWizardMain"), tabStopRefusal(text, kTabStopLabel));
    return qint16(value);
}

}  // namespace

const QHash<QString, QString> &CodePage::settingLabels()
{
    static const QHash<QString, QString> labels = {
        {QStringLiteral("VarNameNewDB"), QStringLiteral("Database variable")},
        {QStringLiteral("VarNameNewTable"), QStringLiteral("Table variable")},
        {QStringLiteral("VarNameNewField"), QStringLiteral("Field variable")},
        {QStringLiteral("VarNameNewIndex"), QStringLiteral("Index variable")},
        {QStringLiteral("VarNameNewRelation"), QStringLiteral("Relation variable")},
        {QStringLiteral("VarNameNewQuery"), QStringLiteral("Query variable")},
        {QStringLiteral("TabStop"), kTabStopLabel}};
    return labels;
}

CodePage::CodePage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields,
                   const NewDatabasePage &newDatabase)
    : WizardPage(help, options, fields), m_newDatabase(newDatabase)
{
    const GeneratorSettings &initial = GeneratorSettings::windowInitial();
    auto *layout = new QVBoxLayout(this);
    buildWriteAs(layout, initial);
    buildNames(layout, initial);
    buildDelivery(layout, initial);

    setHelp(cboWriteAs, QStringLiteral("Write the Basic module, or an SQL script for another database engine"));
    setHelp(chkLowercaseNames, QStringLiteral("Write every name of the SQL script in lower case"));
    setHelp(txtTabStop, QStringLiteral("Number of spaces to insert for each tab indentation"));
    setHelp(txtVarNameNewQuery, QStringLiteral("Name of the query variable, used when saved queries are included"));
    setHelp(chkCopyToClipboard, QStringLiteral("Copy the code to the Windows clipboard"));
    setHelp(txtCodeDestinationFile, QStringLiteral("Full path of the text file to save the module as"));
    setHelp(chkRunNotepad, QStringLiteral("Immediately open the text file in Windows Notepad"));
    setHelp(chkWriteVB5Header,
            QStringLiteral("Add text required by Visual Basic to automatically recognize the file as a module"));
    connectHandlers();
    registerFields();
}

void CodePage::buildWriteAs(QVBoxLayout *layout, const GeneratorSettings &initial)
{
    auto *row = new QHBoxLayout;
    cboWriteAs = new QComboBox(this);
    cboWriteAs->setObjectName(QStringLiteral("cboWriteAs"));
    // Each entry carries its value of the setting sqlDialect: none for the module.
    cboWriteAs->addItem(QStringLiteral("Basic module (VBA/DAO)"), QString());
    for (const sql::Dialect dialect : {sql::Dialect::SQLite, sql::Dialect::PostgreSQL, sql::Dialect::MySQL})
        cboWriteAs->addItem(QStringLiteral("SQL script for ") + sql::dialectTitle(dialect), sql::dialectName(dialect));
    cboWriteAs->setCurrentIndex(qMax(0, cboWriteAs->findData(initial.sqlDialect)));
    auto *label = new QLabel(QStringLiteral("&Write As"), this);
    label->setObjectName(QStringLiteral("lblWriteAs"));
    label->setBuddy(cboWriteAs);
    chkLowercaseNames =
        checkBox("chkLowercaseNames", QStringLiteral("Lower-&case Names"), this, initial.lowercaseNames);
    chkLowercaseNames->setEnabled(false);
    row->addWidget(label);
    row->addWidget(cboWriteAs);
    row->addWidget(chkLowercaseNames);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addSpacing(6);
}

void CodePage::buildNames(QVBoxLayout *layout, const GeneratorSettings &initial)
{
    layout->addWidget(heading(QStringLiteral("What do you want to name the variables that will be used in the module?")));

    auto *names = new QGridLayout;
    auto addName = [&](const char *name, const QString &label, const QString &text, int row, int column) {
        QLineEdit *box = textBox(name, this, text);
        const QByteArray labelName = "lbl" + QByteArray(name).mid(3);
        QLabel *boxLabel = caption(label, box, this, labelName.constData());
        names->addWidget(boxLabel, row, column * 2);
        names->addWidget(box, row, column * 2 + 1);
        m_nameControls << boxLabel << box;
        return box;
    };
    txtVarNameNewDB = addName("txtVarNameNewDB", QStringLiteral("&Database"), initial.varNameNewDB, 0, 0);
    txtVarNameNewTable = addName("txtVarNameNewTable", QStringLiteral("&Table"), initial.varNameNewTable, 0, 1);
    txtVarNameNewField = addName("txtVarNameNewField", QStringLiteral("Fie&ld"), initial.varNameNewField, 1, 0);
    txtVarNameNewRelation =
        addName("txtVarNameNewRelation", QStringLiteral("&Relation"), initial.varNameNewRelation, 1, 1);
    txtVarNameNewIndex = addName("txtVarNameNewIndex", QStringLiteral("&Index"), initial.varNameNewIndex, 2, 0);
    txtProcPrefix = addName("txtProcPrefix", QStringLiteral("&Procedure Prefix"), initial.procPrefix, 2, 1);
    txtTabStop = addName("txtTabStop", QStringLiteral("Tab &Stop"), QString::number(initial.tabStop), 3, 0);
    txtVarNameNewQuery = addName("txtVarNameNewQuery", QStringLiteral("&Query"), initial.varNameNewQuery, 3, 1);
    // Digits only: the tab stop is a count of blanks.
    txtTabStop->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), txtTabStop));
    names->setColumnStretch(1, 1);
    names->setColumnStretch(3, 1);
    layout->addLayout(names);
}

void CodePage::buildDelivery(QVBoxLayout *layout, const GeneratorSettings &initial)
{
    layout->addSpacing(6);
    layout->addWidget(heading(QStringLiteral("What do you want to do with the database duplication code?")));
    auto *choices = new QHBoxLayout;
    chkCopyToClipboard =
        checkBox("chkCopyToClipboard", QStringLiteral("Copy t&o Clipboard"), this, initial.copyToClipboard);
    // "M": "N" is Next's key.
    chkInsertIntoModule = checkBox("chkInsertIntoModule", QStringLiteral("Insert into New &Module"), this);
    fraInsertTopBottom = new QGroupBox(this);
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

    auto *saveAs = new QGroupBox(QStringLiteral("Save &As"), this);
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
    help().focusOnAccessKey(saveAs, txtCodeDestinationFile);
}

void CodePage::connectHandlers()
{
    connectGuarded(cboWriteAs, &QComboBox::currentIndexChanged, this, "cboWriteAs_Click",
                   [this] { emit writingScriptChosen(!cboWriteAs->currentData().toString().isEmpty()); });
    onTick(chkCopyToClipboard, "chkCopyToClipboard_Click", [this] { emit buttonsChanged(); });
    onTick(chkInsertIntoModule, "chkInsertIntoModule_Click", [this] { chkInsertIntoModule_Click(); });
    onOption(optInsertTopBottom, "optInsertTopBottom_Click", [this](int index) { optInsertTopBottom_Click(index); });
    onText(txtCodeDestinationFile, "txtCodeDestinationFile_Change", [this] { txtCodeDestinationFile_Change(); });
    onBrowse(
        cmdBrowseCodeFile, [this] { return writingScript() ? FileChoice::ScriptFile : FileChoice::CodeFile; },
        txtCodeDestinationFile, {});
}

void CodePage::registerFields()
{
    registerField(&GeneratorSettings::sqlDialect, [this] { return cboWriteAs->currentData().toString(); });
    registerField(&GeneratorSettings::lowercaseNames,
                  [this] { return writingScript() && chkLowercaseNames->isChecked(); });
    // "" or a number beyond 16 bits raises its error at Finish; a count above
    // kMaxTabStop the settings check refuses.
    registerModuleField(&GeneratorSettings::tabStop, [this] { return tabStopOf(txtTabStop->text()); });
    registerModuleField(&GeneratorSettings::varNameNewDB, textOf(txtVarNameNewDB));
    registerModuleField(&GeneratorSettings::varNameNewField, textOf(txtVarNameNewField));
    registerModuleField(&GeneratorSettings::varNameNewIndex, textOf(txtVarNameNewIndex));
    registerModuleField(&GeneratorSettings::varNameNewRelation, textOf(txtVarNameNewRelation));
    registerModuleField(&GeneratorSettings::varNameNewTable, textOf(txtVarNameNewTable));
    registerModuleField(&GeneratorSettings::varNameNewQuery, textOf(txtVarNameNewQuery));
    registerModuleField(&GeneratorSettings::procPrefix, textOf(txtProcPrefix));
    registerField(&GeneratorSettings::copyToClipboard, tickOf(chkCopyToClipboard));
    // A script is no Basic code a host could insert into a module.
    registerModuleField(&GeneratorSettings::insertPosition, [this] { return qint32(m_insertPosition); });
    registerField(&GeneratorSettings::pathNameCodeFile, textOf(txtCodeDestinationFile));
    registerField(&GeneratorSettings::runNotepad, tickOf(chkRunNotepad));
    registerModuleField(&GeneratorSettings::writeVB5Header, tickOf(chkWriteVB5Header));
}

void CodePage::load()
{
    chkInsertIntoModule->setVisible(options().showInsertPosition);
    fraInsertTopBottom->setVisible(false);
}

bool CodePage::enter()
{
    // Propose a code file beside the new database: CreateDB_<name>.bas (.sql
    // for a script).
    const QString path = m_newDatabase.newDatabasePath();
    if (txtCodeDestinationFile->text().isEmpty() && path.size() > 5) {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const qsizetype backslash = path.lastIndexOf(QLatin1Char('\\'));
        const QChar separator = slash > backslash ? QLatin1Char('/') : QLatin1Char('\\');
        const QString name = os32Helper().PathNameNoFile(path) + separator + QStringLiteral("CreateDB_")
                             + textHelper().RemoveAllSpaces(os32Helper().FileNameNoPath(path));
        txtCodeDestinationFile->setText(pembry::basicTrim(QStringView(name).chopped(qMin<qsizetype>(4, name.size())))
                                        + codeFileExtension());
    }
    return true;
}

WizardPage::Buttons CodePage::buttons(bool finishRule) const
{
    bool next = (m_insertPosition > 0 && !writingScript()) || chkCopyToClipboard->isChecked();
    if (!next) {
        QString folder = os32Helper().PathNameNoFile(txtCodeDestinationFile->text());
        next = os32Helper().IsValidFolder(folder);
    }
    return {.back = true, .next = next, .finish = finishRule};
}

QWidget *CodePage::firstFocus() const
{
    return txtCodeDestinationFile;
}

void CodePage::chkInsertIntoModule_Click()
{
    const bool ticked = chkInsertIntoModule->isChecked();
    if (ticked) {
        if (optInsertTopBottom[0]->isChecked())
            m_insertPosition = 1;
        else if (optInsertTopBottom[1]->isChecked())
            m_insertPosition = 2;
        else
            optInsertTopBottom[0]->setChecked(true);
    } else {
        m_insertPosition = 0;
    }
    for (QRadioButton *position : optInsertTopBottom)
        position->setEnabled(ticked);
    emit buttonsChanged();
}

void CodePage::optInsertTopBottom_Click(int index)
{
    m_insertPosition = index + 1;
    emit buttonsChanged();
}

void CodePage::txtCodeDestinationFile_Change()
{
    enableFileOptions();
    emit buttonsChanged();
}

void CodePage::enableFileOptions()
{
    const bool file = !txtCodeDestinationFile->text().isEmpty();
    chkRunNotepad->setEnabled(file);
    chkWriteVB5Header->setEnabled(file && !writingScript());
}

QString CodePage::codeFileExtension() const
{
    return writingScript() ? kScriptExtension : kModuleExtension;
}

// A script takes neither the module's names nor its header, and no host
// inserts it into a module. A code file name that still ends in the other
// choice's default extension takes this one's.
void CodePage::writingScriptChanged()
{
    const bool script = writingScript();
    for (QWidget *control : m_nameControls)
        control->setEnabled(!script);
    chkLowercaseNames->setEnabled(script);
    chkInsertIntoModule->setEnabled(!script);
    fraInsertTopBottom->setEnabled(!script);
    const QString other = script ? kModuleExtension : kScriptExtension;
    const QString name = txtCodeDestinationFile->text();
    if (name.endsWith(other))
        txtCodeDestinationFile->setText(name.chopped(other.size()) + codeFileExtension());
    enableFileOptions();
    emit buttonsChanged();
}

}  // namespace tabulo
