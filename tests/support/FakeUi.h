#pragma once
// Plain implementations of the generator's user-interface objects for tests:
// a list of texts, a progress display and a status bar that record what was
// done to them, and a clipboard that keeps its text.

#include "utility/BasicError.h"
#include "wizard/generator/UiInterfaces.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class FakeList : public tabulo::ListControl {
public:
    FakeList() = default;
    explicit FakeList(QStringList initial) : items(std::move(initial)) {}

    void Clear() override { items.clear(); ++clearCount; }
    void AddItem(const QString &item) override { items.append(item); }
    int ListCount() const override { return int(items.size()); }
    QString List(int index) const override
    {
        if (index < 0 || index >= items.size())
            pembry::raiseError(381, QStringLiteral("FakeList"), QStringLiteral("Invalid property array index"));
        return items.at(index);
    }

    QStringList items;
    int clearCount = 0;
};

class FakeProgress : public tabulo::ProgressDisplay {
public:
    void setMin(double value) override { min = value; events.append(QStringLiteral("min %1").arg(value)); }
    void setMax(double value) override { max = value; events.append(QStringLiteral("max %1").arg(value)); }
    void setValue(double value) override
    {
        this->value = value;
        events.append(QStringLiteral("value %1").arg(value));
    }
    void setVisible(bool visible) override
    {
        this->visible = visible;
        events.append(visible ? QStringLiteral("visible") : QStringLiteral("hidden"));
    }

    double min = 0;
    double max = 0;
    double value = 0;
    bool visible = false;
    QStringList events;
};

class FakeStatusPanel : public tabulo::StatusPanel {
public:
    QString Text() const override { return text; }
    void setText(const QString &value) override
    {
        text = value;
        history.append(value);
    }

    QString text;
    QStringList history;    // every text set, in order
};

class FakeStatusBar : public tabulo::StatusBarControl {
public:
    explicit FakeStatusBar(int panelCount = 3)
    {
        for (int i = 0; i < panelCount; ++i)
            panels.push_back(std::make_unique<FakeStatusPanel>());
    }

    tabulo::StatusPanel &Panels(int index) override
    {
        if (index < 1 || index > int(panels.size()))
            pembry::raiseError(35600, QStringLiteral("FakeStatusBar"), QStringLiteral("Index out of bounds"));
        return *panels[size_t(index - 1)];
    }

    // Panel 1 to count, as Panels() numbers them.
    FakeStatusPanel &panel(int index) { return *panels[size_t(index - 1)]; }

    std::vector<std::unique_ptr<FakeStatusPanel>> panels;
};

class FakeClipboard : public tabulo::ClipboardControl {
public:
    void Clear() override
    {
        text.clear();
        ++clearCount;
    }
    void SetText(const QString &value) override { text = value; }

    QString text;
    int clearCount = 0;
};
