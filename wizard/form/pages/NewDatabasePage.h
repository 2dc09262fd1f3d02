#pragma once
// Page 1: where the tables are created (the current database, a new
// database at a path, or a run-time variable), the new database's version,
// locale and encryption: the settings PathNameDBNew, Version, Locale and
// Encrypt. Entering it reads the source database's version. None of them
// means anything for an SQL script: the page is disabled while one is
// chosen.

#include "wizard/form/pages/WizardPage.h"

class QComboBox;
class QGroupBox;

namespace tabulo {

class clsWriteNewDatabase;

class NewDatabasePage : public WizardPage {
    Q_OBJECT

public:
    NewDatabasePage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields, clsWriteNewDatabase &generator);

    void load() override;
    bool enter() override;
    Buttons buttons(bool finishRule) const override;
    QWidget *firstFocus() const override;

    // The text of the new database's path box, whichever location is chosen.
    QString newDatabasePath() const;

private:
    clsWriteNewDatabase &m_generator;
    void writingScriptChanged() override;
    // PathNameDBNew as the location options give it; empty before one is chosen.
    QString chosenLocation() const;
    void optDatabaseLocation_Click(int index);
    void txtDBNew_Change();

    int m_databaseLocation = -1;    // the chosen location option; -1: none yet
    qint32 m_version = 0;           // the code of the chosen version option

    QList<QRadioButton *> optDatabaseLocation;
    QLineEdit *txtDBNew = nullptr;
    QPushButton *cmdBrowseNewDB = nullptr;
    QGroupBox *fraVersion = nullptr;
    QList<QRadioButton *> optVersion;
    QComboBox *cboLocale = nullptr;
    QCheckBox *chkEncrypt = nullptr;
};

}  // namespace tabulo
