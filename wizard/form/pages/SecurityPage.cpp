#include "wizard/form/pages/SecurityPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tabulo {

SecurityPage::SecurityPage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields)
    : WizardPage(help, options, fields)
{
    auto *grid = new QGridLayout(this);
    grid->addWidget(heading(QStringLiteral("If the new database will be secured, specify the required information.")),
                    0, 0, 1, 2);
    optNewDBSecurity << option("optNewDBSecurity", 0, QStringLiteral("&Create an Unsecured Database"), this)
                     << option("optNewDBSecurity", 1, QStringLiteral("Use &Run-time Parameters to Establish Security"),
                               this)
                     << option("optNewDBSecurity", 2, QStringLiteral("Use &Hardcoded Security Parameters"), this);
    optNewDBSecurity[0]->setChecked(true);
    for (int i = 0; i < optNewDBSecurity.size(); ++i)
        grid->addWidget(optNewDBSecurity[i], 1 + i, 0, 1, 2);

    txtMDWNew = textBox("txtMDWNew", this);
    cmdBrowseNewMDW = browseButton("cmdBrowseNewMDW", this);
    lblMDWNew = caption(QStringLiteral("New &MDW"), txtMDWNew, this, "lblMDWNew");
    grid->addWidget(lblMDWNew, 4, 0);
    grid->addLayout(withBrowse(txtMDWNew, cmdBrowseNewMDW), 4, 1);
    txtUserNameNew = textBox("txtUserNameNew", this);
    lblUserNameNew = caption(QStringLiteral("&User Name"), txtUserNameNew, this, "lblUserNameNew");
    grid->addWidget(lblUserNameNew, 5, 0);
    grid->addWidget(txtUserNameNew, 5, 1);
    txtPasswordNew = textBox("txtPasswordNew", this, {}, true);
    lblPasswordNew = caption(QStringLiteral("&Password"), txtPasswordNew, this, "lblPasswordNew");
    grid->addWidget(lblPasswordNew, 6, 0);
    grid->addWidget(txtPasswordNew, 6, 1);
    txtPasswordDBNew = textBox("txtPasswordDBNew", this, {}, true);
    lblPasswordDBNew = caption(QStringLiteral("&Database Password"), txtPasswordDBNew, this, "lblPasswordDBNew");
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

    onOption(optNewDBSecurity, "optNewDBSecurity_Click", [this](int index) { optNewDBSecurity_Click(index); });
    onText(txtMDWNew, "txtMDWNew_Change", [this] { txtMDWNew_Change(); });
    onBrowse(cmdBrowseNewMDW, FileChoice::NewWorkgroup, txtMDWNew, {});
    onText(txtUserNameNew, "txtUserNameNew_Change", [this] { emit buttonsChanged(); });

    registerModuleField(&GeneratorSettings::newDBSecurity, [this] { return qint16(m_newDBSecurity); });
    registerModuleField(&GeneratorSettings::pathNameMDWNew, textOf(txtMDWNew));
    registerModuleField(&GeneratorSettings::userNameNew, textOf(txtUserNameNew));
    registerModuleField(&GeneratorSettings::passwordMDWNew, textOf(txtPasswordNew));
    registerModuleField(&GeneratorSettings::passwordDBNew,
                        [this] { return GeneratorSettings::connectPassword(txtPasswordDBNew->text()); });
}

WizardPage::Buttons SecurityPage::buttons(bool) const
{
    return {.back = true, .next = false, .finish = !hardcoded() || loginGiven()};
}

QWidget *SecurityPage::firstFocus() const
{
    return optNewDBSecurity[m_newDBSecurity];
}

bool SecurityPage::loginGiven() const
{
    return !txtMDWNew->text().isEmpty() && !txtUserNameNew->text().isEmpty();
}

void SecurityPage::optNewDBSecurity_Click(int index)
{
    m_newDBSecurity = index;
    for (QWidget *control : std::initializer_list<QWidget *>{txtMDWNew, txtUserNameNew, txtPasswordDBNew,
                                                              txtPasswordNew, lblMDWNew, lblUserNameNew,
                                                              lblPasswordDBNew, lblPasswordNew, cmdBrowseNewMDW})
        control->setEnabled(index == 2);
    emit buttonsChanged();
}

// The controls keep their own states, which come back with the module; a
// hardcoded login that is not given stops Finish only for the module.
void SecurityPage::writingScriptChanged()
{
    setEnabled(!writingScript());
    emit buttonsChanged();
}

void SecurityPage::txtMDWNew_Change()
{
    enableLogin(txtMDWNew, txtUserNameNew, txtPasswordNew);
    emit buttonsChanged();
}

}  // namespace tabulo
