#pragma once
// Page 3: the tables the module recreates, picked from the source
// database's tables ("Available") into "Include", and whether relations, the
// wrapper procedure and the design properties are written (the last two
// mean nothing for an SQL script). Entering it with an empty "Available"
// list has the generator fill it.

#include "wizard/form/pages/WizardPage.h"

#include <memory>

class QListWidget;

namespace tabulo {

class clsWriteNewDatabase;

class ListControl;
class QtListControl;

class TablesPage : public WizardPage {
    Q_OBJECT

public:
    TablesPage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields, clsWriteNewDatabase &generator);
    ~TablesPage() override;

    bool enter() override;
    Buttons buttons(bool finishRule) const override;
    QWidget *firstFocus() const override;

    // The lists as the generator sees them.
    ListControl &available() const;
    ListControl &chosen() const;
    // Empties both lists: the tables are read again on the next entry.
    void clearLists();

private:
    clsWriteNewDatabase &m_generator;
    void writingScriptChanged() override;
    void cmdAddOne_Click();
    void cmdAddAll_Click();
    void cmdRemoveOne_Click();
    void cmdRemoveAll_Click();
    void enableRemoving(bool enabled);

    QListWidget *lstTablesAvailable = nullptr;
    QListWidget *lstTablesChosen = nullptr;
    QPushButton *cmdAddOne = nullptr;
    QPushButton *cmdAddAll = nullptr;
    QPushButton *cmdRemoveOne = nullptr;
    QPushButton *cmdRemoveAll = nullptr;
    QCheckBox *chkIncludeRelations = nullptr;
    QCheckBox *chkIncludeDatabaseWrapper = nullptr;
    QCheckBox *chkIncludeDesignProperties = nullptr;
    QCheckBox *chkIncludeQueries = nullptr;
    std::unique_ptr<QtListControl> m_available;
    std::unique_ptr<QtListControl> m_chosen;
};

}  // namespace tabulo
