#include "wizard/generator/StatusRestorer.h"

#include "wizard/generator/UiInterfaces.h"

namespace tabulo {

StatusRestorer::StatusRestorer(StatusPanel *panel, ProgressDisplay *progress)
    : m_panel(panel), m_progress(progress)
{
}

StatusRestorer::~StatusRestorer()
{
    if (m_finished)
        return;
    // The step failed: the clean-up must not hide the error it is leaving by.
    try {
        if (m_progress)
            m_progress->setVisible(false);
    } catch (...) {
    }
    try {
        if (m_panel && m_saved)
            m_panel->setText(m_savedText);
    } catch (...) {
    }
}

void StatusRestorer::save()
{
    if (!m_panel)
        return;
    m_savedText = m_panel->Text();
    m_saved = true;
}

void StatusRestorer::finish(bool hideProgress)
{
    if (hideProgress && m_progress)
        m_progress->setVisible(false);
    if (m_panel && m_saved)
        m_panel->setText(m_savedText);
    m_finished = true;
}

}  // namespace tabulo
