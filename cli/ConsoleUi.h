#pragma once
// What the generator is handed when it runs from the command line: a
// one-line progress display on a terminal, and a message service that keeps
// messages for the program to decide about.

#include "utility/MessageService.h"
#include "wizard/generator/UiInterfaces.h"

#include <QStringList>

namespace tabulo::cli {

// The status panel and progress bar as one line on standard error,
// rewritten in place: "[3/8] Analyzing Table: Orders" (control characters
// in the text escaped).
class TerminalProgress : public ProgressDisplay, public StatusBarControl, public StatusPanel {
public:
    ~TerminalProgress() override;

    void setMin(double) override {}
    void setMax(double value) override { m_max = value; }
    void setValue(double value) override { m_value = value; }
    void setVisible(bool visible) override;

    StatusPanel &Panels(int index) override;    // panel 1 only
    QString Text() const override { return m_text; }
    void setText(const QString &text) override;

private:
    void redraw();
    void clearLine();

    QString m_text;
    double m_max = 0;
    double m_value = 0;
    bool m_visible = false;
    bool m_lineShown = false;
};

// Keeps every message instead of showing it; the program prints what it
// wants and answers every question with its default button.
class KeptMessages : public pembry::MessageService {
public:
    KeptMessages() { pembry::setMessageService(this); }
    ~KeptMessages() override { pembry::setMessageService(nullptr); }
    int show(const QString &text, int style, const QString &title) override;

    QStringList messages;
};

// Whether standard error is a terminal.
bool stderrIsTerminal();

// Writes a line to standard error in the terminal's encoding, control
// characters escaped.
void printError(const QString &line);

}  // namespace tabulo::cli
