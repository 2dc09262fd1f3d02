#include "wizard/form/pages/SourcePage.h"

#include "utility/OS32Helper.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tabulo {

SourcePage::SourcePage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields,
                       clsWriteNewDatabase &generator)
    : WizardPage(help, options, fields), m_generator(generator)
{
    auto *grid = new QGridLayout(this);
    grid->addWidget(heading(QStringLiteral("Specify where to find the source database to duplicate")), 0, 0, 1, 2);

    txtDBSource = textBox("txtDBSource", this);
    cmdBrowseSourceDB = browseButton("cmdBrowseSourceDB", this);
    grid->addWidget(caption(QStringLiteral("&Source Database"), txtDBSource, this, "lblDBSource"), 1, 0);
    grid->addLayout(withBrowse(txtDBSource, cmdBrowseSourceDB), 1, 1);
    // Says why Next stays grey for a folder named as the source.
    lblDBSourceNote = new QLabel(this);
    lblDBSourceNote->setObjectName(QStringLiteral("lblDBSourceNote"));
    lblDBSourceNote->setTextFormat(Qt::PlainText);
    lblDBSourceNote->setWordWrap(true);
    lblDBSourceNote->setVisible(false);
    grid->addWidget(lblDBSourceNote, 2, 1);

    grid->addWidget(heading(QStringLiteral("If necessary, enter the security information required to open the database.")),
                    3, 0, 1, 2);
    txtMDWSource = textBox("txtMDWSource", this);
    cmdBrowseSourceMDW = browseButton("cmdBrowseSourceMDW", this);
    grid->addWidget(caption(QStringLiteral("Source &MDW"), txtMDWSource, this, "lblMDWSource"), 4, 0);
    grid->addLayout(withBrowse(txtMDWSource, cmdBrowseSourceMDW), 4, 1);

    txtUserNameSource = textBox("txtUserNameSource", this);
    txtUserNameSource->setEnabled(false);
    grid->addWidget(caption(QStringLiteral("&User Name"), txtUserNameSource, this, "lblUserNameSource"), 5, 0);
    grid->addWidget(txtUserNameSource, 5, 1);

    txtPasswordSource = textBox("txtPasswordSource", this, {}, true);
    txtPasswordSource->setEnabled(false);
    grid->addWidget(caption(QStringLiteral("&Password"), txtPasswordSource, this, "lblPasswordSource"), 6, 0);
    grid->addWidget(txtPasswordSource, 6, 1);

    txtPasswordDBSource = textBox("txtPasswordDBSource", this, {}, true);
    grid->addWidget(caption(QStringLiteral("&Database Password"), txtPasswordDBSource, this, "lblPasswordDBSource"),
                    7, 0);
    grid->addWidget(txtPasswordDBSource, 7, 1);
    grid->setRowStretch(8, 1);
    grid->setColumnStretch(1, 1);

    setHelp(txtDBSource, QStringLiteral("Database to be duplicated"));
    setHelp(txtMDWSource, QStringLiteral("Workgroup that secures the source database"));
    setHelp(txtUserNameSource, QStringLiteral("Username to log into the source workgroup"));
    setHelp(txtPasswordSource, QStringLiteral("Password to log into the source workgroup"));
    setHelp(txtPasswordDBSource, QStringLiteral("Database password required to open the source database"));

    onText(txtDBSource, "txtDBSource_Change", [this] { txtDBSource_Change(); });
    onText(txtMDWSource, "txtMDWSource_Change", [this] { txtMDWSource_Change(); });
    onText(txtUserNameSource, "txtUserNameSource_Change",
           [this] { m_generator.setUserNameSource(txtUserNameSource->text()); });
    onText(txtPasswordSource, "txtPasswordSource_Change",
           [this] { m_generator.setPasswordMDWSource(txtPasswordSource->text()); });
    onText(txtPasswordDBSource, "txtPasswordDBSource_Change",
           [this] { m_generator.setPasswordDBSource(txtPasswordDBSource->text()); });
    onBrowse(cmdBrowseSourceDB, FileChoice::SourceDatabase, txtDBSource,
             [this] { m_generator.setPathNameDBSource(txtDBSource->text()); });
    onBrowse(cmdBrowseSourceMDW, FileChoice::SourceWorkgroup, txtMDWSource, [this] {
        clsWriteNewDatabase &generator = m_generator;
        generator.setPathNameMDWSource(txtMDWSource->text());
        generator.setPasswordMDWSource(txtPasswordSource->text());
        generator.setUserNameSource(txtUserNameSource->text());
    });
}

WizardPage::Buttons SourcePage::buttons(bool) const
{
    return {.back = false, .next = os32Helper().IsValidFilePath(txtDBSource->text()), .finish = false};
}

QWidget *SourcePage::firstFocus() const
{
    return txtDBSource;
}

void SourcePage::txtDBSource_Change()
{
    m_generator.setPathNameDBSource(txtDBSource->text());
    QString folder = txtDBSource->text();
    const bool isFolder = !folder.isEmpty() && os32Helper().IsValidFolder(folder);
    lblDBSourceNote->setText(isFolder ? QStringLiteral("\"%1\" is a folder, not a database file.").arg(txtDBSource->text())
                                      : QString());
    lblDBSourceNote->setVisible(isFolder);
    emit sourceChanged();
    emit buttonsChanged();
}

void SourcePage::txtMDWSource_Change()
{
    enableLogin(txtMDWSource, txtUserNameSource, txtPasswordSource);
    m_generator.setPathNameMDWSource(txtMDWSource->text());
}

}  // namespace tabulo
