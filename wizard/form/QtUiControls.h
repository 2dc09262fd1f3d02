#pragma once
// The wizard window's widgets behind the generator's small interfaces: the
// table lists, the progress bar, the status bar and the clipboard.

#include "wizard/generator/UiInterfaces.h"

#include <QList>
#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;

namespace tabulo {

class WizardStatusBar;

// A QListWidget of table names kept in sorted order (letter case ignored, as
// list boxes sort); each entry shows its name escaped (escapedForDisplay).
class QtListControl : public ListControl {
public:
    explicit QtListControl(QListWidget *list) : m_list(list) {}
    void Clear() override;
    void AddItem(const QString &item) override;
    int ListCount() const override;
    QString List(int index) const override;

    // The selected entry, -1 when none; selecting -1 clears the selection.
    int ListIndex() const;
    void setListIndex(int index);
    void RemoveItem(int index);

private:
    QListWidget *m_list;
};

// A QProgressBar that paints each new value at once, also while the window's
// thread is busy generating.
class QtProgressDisplay : public ProgressDisplay {
public:
    explicit QtProgressDisplay(QProgressBar *bar) : m_bar(bar) {}
    void setMin(double value) override;
    void setMax(double value) override;
    void setValue(double value) override;
    void setVisible(bool visible) override;

private:
    QProgressBar *m_bar;
};

// The panels of the wizard's status bar; panel text changes paint at once.
class QtStatusBarControl : public StatusBarControl {
public:
    explicit QtStatusBarControl(WizardStatusBar *bar);
    ~QtStatusBarControl() override;
    StatusPanel &Panels(int index) override;

private:
    class Panel;
    QList<std::shared_ptr<Panel>> m_panels;
};

// The system clipboard.
class QtClipboard : public ClipboardControl {
public:
    void Clear() override;
    void SetText(const QString &text) override;
};

}  // namespace tabulo
