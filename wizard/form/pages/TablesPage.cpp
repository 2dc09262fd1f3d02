#include "wizard/form/pages/TablesPage.h"

#include "wizard/form/BusyPointer.h"
#include "wizard/form/HandlerGuard.h"
#include "wizard/form/QtUiControls.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tabulo {

TablesPage::TablesPage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields,
                       clsWriteNewDatabase &generator)
    : WizardPage(help, options, fields), m_generator(generator)
{
    auto *grid = new QGridLayout(this);
    grid->addWidget(heading(QStringLiteral("Choose the tables you want to include in the new database")), 0, 0, 1, 3);

    auto *availableLabel = new QLabel(QStringLiteral("Available"), this);
    availableLabel->setObjectName(QStringLiteral("lblTablesAvailable"));
    auto *chosenLabel = new QLabel(QStringLiteral("Include"), this);
    chosenLabel->setObjectName(QStringLiteral("lblTablesChosen"));
    grid->addWidget(availableLabel, 1, 0);
    grid->addWidget(chosenLabel, 1, 2);

    lstTablesAvailable = new QListWidget(this);
    lstTablesAvailable->setObjectName(QStringLiteral("lstTablesAvailable"));
    auto *moves = new QVBoxLayout;
    cmdAddOne = boldButton("cmdAddOne", QStringLiteral(">"), this);
    cmdAddAll = boldButton("cmdAddAll", QStringLiteral(">>"), this);
    cmdRemoveOne = boldButton("cmdRemoveOne", QStringLiteral("<"), this);
    cmdRemoveAll = boldButton("cmdRemoveAll", QStringLiteral("<<"), this);
    moves->addStretch(1);
    for (QPushButton *button : {cmdAddOne, cmdAddAll, cmdRemoveOne, cmdRemoveAll})
        moves->addWidget(button);
    moves->addStretch(1);
    lstTablesChosen = new QListWidget(this);
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
    chkIncludeRelations = checkBox("chkIncludeRelations", QStringLiteral("&Create Relations in new Database"), this,
                                   initial.includeRelations);
    chkIncludeDatabaseWrapper = checkBox("chkIncludeDatabaseWrapper", QStringLiteral("&Write Database Wrapper Function"),
                                         this, initial.includeDatabaseWrapper);
    chkIncludeDesignProperties = checkBox("chkIncludeDesignProperties",
                                          QStringLiteral("Include &Descriptions and Display Properties"), this,
                                          initial.includeDesignProperties);
    grid->addWidget(chkIncludeRelations, 3, 0, 1, 3);
    grid->addWidget(chkIncludeDatabaseWrapper, 4, 0, 1, 3);
    chkIncludeQueries = checkBox("chkIncludeQueries", QStringLiteral("Include saved &Queries"), this,
                                 initial.includeQueries);
    grid->addWidget(chkIncludeDesignProperties, 5, 0, 1, 3);
    grid->addWidget(chkIncludeQueries, 6, 0, 1, 3);

    setHelp(chkIncludeRelations, QStringLiteral("Duplicate source database relations in the new database"));
    setHelp(chkIncludeDatabaseWrapper, QStringLiteral("Add a wrapper function around the table procedures"));
    setHelp(chkIncludeDesignProperties, QStringLiteral("Recreate index sort order, table validation, descriptions "
                                                       "and display properties"));
    setHelp(chkIncludeQueries, QStringLiteral("Recreate the saved queries that read only the chosen tables"));

    m_available = std::make_unique<QtListControl>(lstTablesAvailable);
    m_chosen = std::make_unique<QtListControl>(lstTablesChosen);

    onClick(cmdAddOne, "cmdAddOne_Click", [this] { cmdAddOne_Click(); });
    onClick(cmdAddAll, "cmdAddAll_Click", [this] { cmdAddAll_Click(); });
    onClick(cmdRemoveOne, "cmdRemoveOne_Click", [this] { cmdRemoveOne_Click(); });
    onClick(cmdRemoveAll, "cmdRemoveAll_Click", [this] { cmdRemoveAll_Click(); });
    // A double-click moves the table, as > and < do.
    connectGuarded(lstTablesAvailable, &QListWidget::itemDoubleClicked, this, "lstTablesAvailable_DblClick",
                   [this] { cmdAddOne_Click(); });
    connectGuarded(lstTablesChosen, &QListWidget::itemDoubleClicked, this, "lstTablesChosen_DblClick",
                   [this] { cmdRemoveOne_Click(); });

    registerField(&GeneratorSettings::includeRelations, tickOf(chkIncludeRelations));
    registerModuleField(&GeneratorSettings::includeDatabaseWrapper, tickOf(chkIncludeDatabaseWrapper));
    registerModuleField(&GeneratorSettings::includeDesignProperties, tickOf(chkIncludeDesignProperties));
    registerModuleField(&GeneratorSettings::includeQueries, tickOf(chkIncludeQueries));
}

TablesPage::~TablesPage() = default;

bool TablesPage::enter()
{
    if (m_available->ListCount() == 0) {
        BusyPointer busy;
        m_generator.FillSourceTablesAvailableList();
    }
    return true;
}

WizardPage::Buttons TablesPage::buttons(bool finishRule) const
{
    return {.back = true, .next = m_chosen->ListCount() > 0, .finish = finishRule};
}

QWidget *TablesPage::firstFocus() const
{
    return cmdAddOne;
}

void TablesPage::writingScriptChanged()
{
    chkIncludeDatabaseWrapper->setEnabled(!writingScript());
    chkIncludeDesignProperties->setEnabled(!writingScript());
    chkIncludeQueries->setEnabled(!writingScript());
}

ListControl &TablesPage::available() const
{
    return *m_available;
}

ListControl &TablesPage::chosen() const
{
    return *m_chosen;
}

void TablesPage::clearLists()
{
    m_available->Clear();
    m_chosen->Clear();
}

void TablesPage::enableRemoving(bool enabled)
{
    cmdRemoveOne->setEnabled(enabled);
    cmdRemoveAll->setEnabled(enabled);
}

void TablesPage::cmdAddOne_Click()
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
    enableRemoving(true);
    emit buttonsChanged();
}

void TablesPage::cmdAddAll_Click()
{
    m_chosen->Clear();
    for (int i = 0; i < m_available->ListCount(); ++i)
        m_chosen->AddItem(m_available->List(i));
    enableRemoving(true);
    emit buttonsChanged();
}

void TablesPage::cmdRemoveOne_Click()
{
    try {
        const int selected = m_chosen->ListIndex();
        if (selected >= 0) {
            m_chosen->RemoveItem(selected);
            const int count = m_chosen->ListCount();
            if (selected < count)
                m_chosen->setListIndex(selected);
            else if (count > 0)
                m_chosen->setListIndex(selected - 1);
            else
                enableRemoving(false);
        }
    } catch (...) {
        reportFormError(QStringLiteral("cmdRemoveOne_Click"));
    }
    emit buttonsChanged();
}

void TablesPage::cmdRemoveAll_Click()
{
    m_chosen->Clear();
    emit buttonsChanged();
}

}  // namespace tabulo
