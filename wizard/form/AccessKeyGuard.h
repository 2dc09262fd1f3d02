#pragma once
// Keeps dead access keys out of the window's boxes. Qt tries Alt+letter as
// a shortcut first; when the control with that access key is disabled, or
// no control has the key, it delivers the key press to the focus widget as
// typed text, so a text box would take the letter ("pw" + Alt+F = "pwf").
// This filter drops such a key press instead: an Alt+letter does what its
// control does, or nothing.

#include <QObject>

class QWidget;

namespace tabulo {

class AccessKeyGuard : public QObject {
public:
    // Guards the widgets of `window`'s own window; lives as long as it.
    explicit AccessKeyGuard(QWidget *window);
    ~AccessKeyGuard() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
};

}  // namespace tabulo
