#include "wizard/form/ControlHelp.h"

#include <QEvent>
#include <QLineEdit>
#include <QWidget>

namespace tabulo {

ControlHelp::ControlHelp(std::function<void(const QString &)> showStatus)
    : m_showStatus(std::move(showStatus))
{
}

void ControlHelp::setHelp(QWidget *control, const QString &text, bool onFocus)
{
    m_tags.insert(control, text);
    if (onFocus) {
        m_focusHelp.insert(control, text);
        control->installEventFilter(this);
    }
}

void ControlHelp::selectOnFocus(QLineEdit *box)
{
    box->installEventFilter(this);
}

void ControlHelp::focusOnAccessKey(QWidget *frame, QWidget *control)
{
    m_frameFocus.insert(frame, control);
    frame->installEventFilter(this);
}

void ControlHelp::applyToolTips() const
{
    for (auto it = m_tags.cbegin(); it != m_tags.cend(); ++it)
        it.key()->setToolTip(it.value());
}

bool ControlHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Shortcut) {
        const auto focus = m_frameFocus.constFind(static_cast<QWidget *>(watched));
        if (focus != m_frameFocus.cend()) {
            if ((*focus)->isEnabled())
                (*focus)->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        auto *control = static_cast<QWidget *>(watched);
        const auto help = m_focusHelp.constFind(control);
        if (help != m_focusHelp.cend())
            m_showStatus(event->type() == QEvent::FocusIn ? *help : ready());
        if (event->type() == QEvent::FocusIn) {
            if (auto *box = qobject_cast<QLineEdit *>(control); box && !box->text().isEmpty())
                box->selectAll();
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tabulo
