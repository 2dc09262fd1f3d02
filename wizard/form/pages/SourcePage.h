#pragma once
// Page 0: the source database and the security information that opens it.

#include "wizard/form/pages/WizardPage.h"

namespace tabulo {

class clsWriteNewDatabase;

class SourcePage : public WizardPage {
    Q_OBJECT

public:
    SourcePage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields, clsWriteNewDatabase &generator);

    Buttons buttons(bool finishRule) const override;
    QWidget *firstFocus() const override;

    // The login boxes, where the window sends the user after a failed login.
    QLineEdit *workgroupBox() const { return txtMDWSource; }
    QLineEdit *passwordBox() const { return txtPasswordSource; }
    QLineEdit *databasePasswordBox() const { return txtPasswordDBSource; }

signals:
    // Another source database was named: its tables are to be read again.
    void sourceChanged();

private:
    clsWriteNewDatabase &m_generator;
    void txtDBSource_Change();
    void txtMDWSource_Change();

    QLineEdit *txtDBSource = nullptr;
    QPushButton *cmdBrowseSourceDB = nullptr;
    QLabel *lblDBSourceNote = nullptr;
    QLineEdit *txtMDWSource = nullptr;
    QPushButton *cmdBrowseSourceMDW = nullptr;
    QLineEdit *txtUserNameSource = nullptr;
    QLineEdit *txtPasswordSource = nullptr;
    QLineEdit *txtPasswordDBSource = nullptr;
};

}  // namespace tabulo
