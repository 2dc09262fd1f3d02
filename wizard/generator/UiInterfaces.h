#pragma once
// The few user-interface objects the generator is handed, and the order of
// the table lists. The wizard window implements them with Qt widgets; the
// command line and tests with plain objects. The generator never needs more
// than these members.

#include <QString>

namespace tabulo {

// The order of the table lists: letter case ignored, as list boxes sort;
// names that differ only in letter case in the order of their characters.
inline bool tableSortsBefore(const QString &a, const QString &b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

// A list of texts: the available and the chosen tables.
class ListControl {
public:
    virtual ~ListControl() = default;
    virtual void Clear() = 0;
    virtual void AddItem(const QString &item) = 0;
    virtual int ListCount() const = 0;
    // Entry 0 to ListCount() - 1; any other index fails with error 381.
    virtual QString List(int index) const = 0;
};

class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void setMin(double value) = 0;
    virtual void setMax(double value) = 0;
    virtual void setValue(double value) = 0;
    virtual void setVisible(bool visible) = 0;
};

class StatusPanel {
public:
    virtual ~StatusPanel() = default;
    virtual QString Text() const = 0;
    virtual void setText(const QString &text) = 0;
};

class StatusBarControl {
public:
    virtual ~StatusBarControl() = default;
    // Panels 1 to count; any other index fails with error 35600
    // ("Index out of bounds").
    virtual StatusPanel &Panels(int index) = 0;
};

// The system clipboard, as far as the generator uses it.
class ClipboardControl {
public:
    virtual ~ClipboardControl() = default;
    virtual void Clear() = 0;
    virtual void SetText(const QString &text) = 0;
};

}  // namespace tabulo
