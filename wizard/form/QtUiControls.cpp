#include "wizard/form/QtUiControls.h"

#include "utility/BasicError.h"
#include "wizard/form/WizardStatusBar.h"
#include "wizard/generator/DisplayText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <algorithm>
#include <cmath>

namespace tabulo {

namespace {

constexpr int InvalidArrayIndex = 381;
constexpr int IndexOutOfBounds = 35600;

int toInt(double value)
{
    return int(std::lround(std::clamp(value, double(INT_MIN), double(INT_MAX))));
}

}  // namespace

// --- QtListControl -----------------------------------------------------------

void QtListControl::Clear()
{
    m_list->clear();
}

void QtListControl::AddItem(const QString &item)
{
    // The first position whose entry sorts after the new one (binary search).
    int low = 0;
    int high = m_list->count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (tableSortsBefore(item, List(middle)))
            high = middle;
        else
            low = middle + 1;
    }
    // The entry shows the name with its control characters escaped, so that
    // no name can pass for another or for two; it stands for the name itself.
    auto *entry = new QListWidgetItem(escapedForDisplay(item));
    entry->setData(Qt::UserRole, item);
    m_list->insertItem(low, entry);
}

int QtListControl::ListCount() const
{
    return m_list->count();
}

QString QtListControl::List(int index) const
{
    if (index < 0 || index >= m_list->count())
        pembry::raiseError(InvalidArrayIndex, QStringLiteral("ListBox"), QStringLiteral("Invalid property array index"));
    return m_list->item(index)->data(Qt::UserRole).toString();
}

int QtListControl::ListIndex() const
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->row(selected.first());
}

void QtListControl::setListIndex(int index)
{
    if (index < 0 || index >= m_list->count()) {
        m_list->clearSelection();
        m_list->setCurrentRow(-1);
        return;
    }
    m_list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollToItem(m_list->item(index));
}

void QtListControl::RemoveItem(int index)
{
    delete m_list->takeItem(index);
}

// --- QtProgressDisplay -------------------------------------------------------

void QtProgressDisplay::setMin(double value)
{
    // A new range starts at its minimum, not where the last run ended.
    m_bar->setMinimum(toInt(value));
    m_bar->setValue(m_bar->minimum());
}

void QtProgressDisplay::setMax(double value)
{
    m_bar->setMaximum(toInt(value));
}

void QtProgressDisplay::setValue(double value)
{
    m_bar->setValue(toInt(value));
    m_bar->repaint();
}

void QtProgressDisplay::setVisible(bool visible)
{
    m_bar->setVisible(visible);
    if (visible)
        m_bar->repaint();
}

// --- QtStatusBarControl -------------------------------------------------------

class QtStatusBarControl::Panel : public StatusPanel {
public:
    explicit Panel(QLabel *label) : m_label(label) {}
    QString Text() const override { return m_label->text(); }
    void setText(const QString &text) override
    {
        m_label->setText(text);
        m_label->repaint();
    }

private:
    QLabel *m_label;
};

QtStatusBarControl::QtStatusBarControl(WizardStatusBar *bar)
{
    for (int i = 1; i <= WizardStatusBar::PanelCount; ++i)
        m_panels.append(std::make_shared<Panel>(bar->panel(i)));
}

QtStatusBarControl::~QtStatusBarControl() = default;

StatusPanel &QtStatusBarControl::Panels(int index)
{
    if (index < 1 || index > m_panels.size())
        pembry::raiseError(IndexOutOfBounds, QStringLiteral("StatusBar"), QStringLiteral("Index out of bounds"));
    return *m_panels.at(index - 1);
}

// --- QtClipboard --------------------------------------------------------------

void QtClipboard::Clear()
{
    QGuiApplication::clipboard()->clear();
}

void QtClipboard::SetText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

}  // namespace tabulo
