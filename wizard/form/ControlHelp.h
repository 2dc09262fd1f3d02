#pragma once
// The help texts of the window's controls and what the focus does with
// them. A control's help text is its tool tip (from Form_Load on); a control
// with focus help shows it as the status text while it has the focus and
// "Ready" when it loses it. A text box selects its whole text when it gets
// the focus. A frame may hand its access key to one control of its own.

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;
class QWidget;

namespace tabulo {

class ControlHelp : public QObject {
public:
    // The status text when no help text is shown.
    static QString ready() { return QStringLiteral("Ready"); }

    // `showStatus` puts a text into the status bar.
    explicit ControlHelp(std::function<void(const QString &)> showStatus);

    // `text` becomes the control's tool tip; with `onFocus` also its status
    // text while it has the focus.
    void setHelp(QWidget *control, const QString &text, bool onFocus = true);
    // The box selects its whole text when it gets the focus.
    void selectOnFocus(QLineEdit *box);
    // The frame's access key gives the focus to `control` (when enabled),
    // not to the control of the frame that had the focus last.
    void focusOnAccessKey(QWidget *frame, QWidget *control);

    // Sets every tool tip to its help text.
    void applyToolTips() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(const QString &)> m_showStatus;
    QHash<QWidget *, QString> m_tags;
    QHash<QWidget *, QString> m_focusHelp;
    QHash<QWidget *, QWidget *> m_frameFocus;
};

}  // namespace tabulo
