#include "wizard/form/AccessKeyGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tabulo {

AccessKeyGuard::AccessKeyGuard(QWidget *window) : QObject(window), m_window(window)
{
    // Key presses go to the focus widget, whichever it is: watch them all.
    qApp->installEventFilter(this);
}

AccessKeyGuard::~AccessKeyGuard()
{
    qApp->removeEventFilter(this);
}

bool AccessKeyGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()
        || static_cast<QWidget *>(watched)->window() != m_window)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    // Alt with Ctrl is AltGr on some keyboards, which types characters.
    const Qt::KeyboardModifiers held = key->modifiers();
    const bool accessKey = (held & Qt::AltModifier) && !(held & (Qt::ControlModifier | Qt::MetaModifier));
    return accessKey && !key->text().isEmpty() && key->text().at(0).isPrint();
}

}  // namespace tabulo
