#pragma once
// Page 2: what is written (the Basic module, or an SQL script of one of the
// dialects), the names the generated module uses (variables, procedure
// prefix, tab stop) and what becomes of the module (clipboard, a new module
// of the host, a code file): the code style and delivery settings. Entering
// it proposes a code file beside the new database.

#include "wizard/form/pages/WizardPage.h"

#include <QHash>
#include <QString>

class QComboBox;
class QGroupBox;
class QVBoxLayout;

namespace tabulo {

class NewDatabasePage;

class CodePage : public WizardPage {
    Q_OBJECT

public:
    // `newDatabase` gives the path the code file name is proposed from.
    CodePage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields,
             const NewDatabasePage &newDatabase);

    void load() override;
    bool enter() override;
    Buttons buttons(bool finishRule) const override;
    QWidget *firstFocus() const override;

    // The settings this page shows, by the labels of their boxes, for the
    // settings checks to name them ("VarNameNewDB" -> "Database variable").
    static const QHash<QString, QString> &settingLabels();

signals:
    // The "Write as" choice changed; `script`: an SQL script is chosen.
    void writingScriptChosen(bool script);

private:
    void writingScriptChanged() override;
    void buildWriteAs(QVBoxLayout *layout, const GeneratorSettings &initial);
    void buildNames(QVBoxLayout *layout, const GeneratorSettings &initial);
    void buildDelivery(QVBoxLayout *layout, const GeneratorSettings &initial);
    void connectHandlers();
    void registerFields();
    void chkInsertIntoModule_Click();
    void optInsertTopBottom_Click(int index);
    void txtCodeDestinationFile_Change();
    void enableFileOptions();
    // The code file's default extension for what is written: ".bas" or ".sql".
    QString codeFileExtension() const;

    const NewDatabasePage &m_newDatabase;
    int m_insertPosition = 0;       // 0 none, 1 top, 2 bottom

    QComboBox *cboWriteAs = nullptr;
    QCheckBox *chkLowercaseNames = nullptr;
    QList<QWidget *> m_nameControls;    // the name boxes and their labels
    QLineEdit *txtVarNameNewDB = nullptr;
    QLineEdit *txtVarNameNewTable = nullptr;
    QLineEdit *txtVarNameNewField = nullptr;
    QLineEdit *txtVarNameNewRelation = nullptr;
    QLineEdit *txtVarNameNewIndex = nullptr;
    QLineEdit *txtVarNameNewQuery = nullptr;
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
};

}  // namespace tabulo
