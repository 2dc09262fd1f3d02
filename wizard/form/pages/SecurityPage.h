#pragma once
// Page 4: the security of the new database: none, run-time parameters, or
// a workgroup, user and passwords hardcoded into the module (NewDBSecurity
// and the settings of the new workgroup and database password). None of
// them means anything for an SQL script: the page is disabled while one is
// chosen.

#include "wizard/form/pages/WizardPage.h"

namespace tabulo {

class SecurityPage : public WizardPage {
    Q_OBJECT

public:
    SecurityPage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields);

    Buttons buttons(bool finishRule) const override;
    QWidget *firstFocus() const override;

    // Hardcoded security is chosen, and the module is written.
    bool hardcoded() const { return m_newDBSecurity == 2 && !writingScript(); }
    // The workgroup file and the user name that hardcoded security needs
    // are given.
    bool loginGiven() const;

private:
    void writingScriptChanged() override;
    void optNewDBSecurity_Click(int index);
    void txtMDWNew_Change();

    int m_newDBSecurity = 0;        // the chosen option: 0 none, 1 run-time, 2 hardcoded

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
};

}  // namespace tabulo
