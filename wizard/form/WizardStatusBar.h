#pragma once
// The wizard window's status bar: panel 1 carries the status and help text
// (cut short with "..." when too long: it never widens the window),
// panel 2 the Caps Lock state ("CAPS", greyed while off), panel 3 today's date.

#include <QStatusBar>

class QLabel;
class QTimer;

namespace tabulo {

class WizardStatusBar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int PanelCount = 3;
    explicit WizardStatusBar(QWidget *parent = nullptr);
    ~WizardStatusBar() override;

    // Panel 1 to PanelCount; nullptr for any other index.
    QLabel *panel(int index) const;
    bool capsLockShown() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showDate();
    void setCapsLock(bool on);

    QLabel *m_text;
    QLabel *m_caps;
    QLabel *m_date;
    QTimer *m_midnight;
};

}  // namespace tabulo
