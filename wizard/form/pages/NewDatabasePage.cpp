#include "wizard/form/pages/NewDatabasePage.h"

#include "utility/BasicError.h"
#include "utility/CDialog.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tabulo {

namespace {

constexpr int ControlArrayElementMissing = 340;

}  // namespace

NewDatabasePage::NewDatabasePage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields,
                                 clsWriteNewDatabase &generator)
    : WizardPage(help, options, fields), m_generator(generator)
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading(QStringLiteral("Specify options for the new database.")));

    auto *location = new QGroupBox(QStringLiteral("Location"), this);
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
    fraVersion = new QGroupBox(QStringLiteral("Version"), this);
    fraVersion->setObjectName(QStringLiteral("fraVersion"));
    auto *versionLayout = new QVBoxLayout(fraVersion);
    QStringList versions = {QStringLiteral("Jet 1.&0 (Access 1.0)"), QStringLiteral("Jet &1.1 (Access 1.1)"),
                                  QStringLiteral("Jet &2.0 (Access 2.0)"), QStringLiteral("Jet &3.0/3.5 (Access 95/97)"),
                                  QStringLiteral("Jet &4.0 (Access 2000)")};
    // Only the ACE build writes databases of the ACE format.
    if (opensAce())
        versions.append(QStringLiteral("&ACE 12.0 (Access 2007 and later)"));
    for (int i = 0; i < versions.size(); ++i) {
        optVersion << option("optVersion", i, versions[i], fraVersion);
        versionLayout->addWidget(optVersion.last());
        setHelp(optVersion.last(), QString());
    }
    row->addWidget(fraVersion, 1);

    auto *right = new QVBoxLayout;
    cboLocale = new QComboBox(this);
    cboLocale->setObjectName(QStringLiteral("cboLocale"));
    cboLocale->addItems(GeneratorSettings::locales());
    auto *localeLabel = new QLabel(QStringLiteral("&Locale"), this);
    localeLabel->setObjectName(QStringLiteral("lblLocale"));
    localeLabel->setBuddy(cboLocale);
    chkEncrypt = checkBox("chkEncrypt", QStringLiteral("&Encrypt"), this);
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

    onOption(optDatabaseLocation, "optDatabaseLocation_Click", [this](int index) { optDatabaseLocation_Click(index); });
    onText(txtDBNew, "txtDBNew_Change", [this] { txtDBNew_Change(); });
    onBrowse(
        cmdBrowseNewDB, FileChoice::NewDatabase, txtDBNew, {},
        [this](pembry::CDialog &dialog) {
            // A name typed with another extension under one of the Access
            // filters becomes an .mdb file.
            if ((dialog.Flags() & pembry::cdlOFNExtensionDifferent) && dialog.FilterIndex() < 4) {
                txtDBNew->setText(dialog.FileNameDefaultFilter());
                optDatabaseLocation[1]->setChecked(true);
            }
        });
    onOption(optVersion, "optVersion_Click", [this](int index) { m_version = kJetVersions[index].code; });
    tabToSelectedOption(optVersion);

    registerModuleField(&GeneratorSettings::pathNameDBNew, [this] { return chosenLocation(); });
    registerModuleField(&GeneratorSettings::version, [this] { return m_version; });
    registerModuleField(&GeneratorSettings::locale, [this] { return cboLocale->currentText(); });
    registerModuleField(&GeneratorSettings::encrypt, [this] { return chkEncrypt->isChecked() ? 2 : 0; });
}

void NewDatabasePage::load()
{
    m_databaseLocation = -1;
    cboLocale->setCurrentIndex(cboLocale->findText(GeneratorSettings::windowInitial().locale));
}

bool NewDatabasePage::enter()
{
    // A source the engine cannot read: the generator has said why.
    clsWriteNewDatabase &generator = m_generator;
    if (!generator.DBSource())
        return false;
    const qint32 major = generator.DBSourceVersion();
    qsizetype index = jetVersionIndexOfSource(major);
    if (index < 0)
        pembry::raiseError(ControlArrayElementMissing, QStringLiteral("frmWizardMain"),
                           QStringLiteral("Control array element '%1' doesn't exist").arg(major));
    // A build without the ACE option, given an ACE snapshot, offers its
    // newest format.
    index = std::min(index, optVersion.size() - 1);
    optVersion[index]->setChecked(true);
    return true;
}

WizardPage::Buttons NewDatabasePage::buttons(bool finishRule) const
{
    return {.back = options().getSourceDatabase,
            .next = m_databaseLocation == 0 || m_databaseLocation == 2
                    || (m_databaseLocation == 1 && !txtDBNew->text().isEmpty()),
            .finish = finishRule};
}

QWidget *NewDatabasePage::firstFocus() const
{
    return m_databaseLocation >= 0 ? optDatabaseLocation[m_databaseLocation] : nullptr;
}

QString NewDatabasePage::newDatabasePath() const
{
    return txtDBNew->text();
}

QString NewDatabasePage::chosenLocation() const
{
    if (optDatabaseLocation[0]->isChecked())
        return QStringLiteral("Current");
    if (optDatabaseLocation[1]->isChecked())
        return txtDBNew->text();
    if (optDatabaseLocation[2]->isChecked())
        return QStringLiteral("Variable");
    return {};
}

void NewDatabasePage::optDatabaseLocation_Click(int index)
{
    m_databaseLocation = index;
    fraVersion->setEnabled(index > 0);
    cboLocale->setEnabled(index > 0);
    chkEncrypt->setEnabled(index > 0);
    cmdBrowseNewDB->setEnabled(index == 1);
    txtDBNew->setEnabled(index == 1);
    emit buttonsChanged();
}

// The controls keep their own states, which come back with the module.
void NewDatabasePage::writingScriptChanged()
{
    setEnabled(!writingScript());
}

void NewDatabasePage::txtDBNew_Change()
{
    optDatabaseLocation[1]->setChecked(true);
    emit buttonsChanged();
}

}  // namespace tabulo
