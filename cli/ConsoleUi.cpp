#include "cli/ConsoleUi.h"

#include "wizard/generator/DisplayText.h"
#include "utility/BasicError.h"

#include <cstdio>
#include <unistd.h>

namespace tabulo::cli {

TerminalProgress::~TerminalProgress()
{
    clearLine();
}

void TerminalProgress::setVisible(bool visible)
{
    m_visible = visible;
    redraw();
}

StatusPanel &TerminalProgress::Panels(int index)
{
    if (index != 1)
        pembry::raiseError(35600, QStringLiteral("tabulo-cli"), QStringLiteral("Index out of bounds"));
    return *this;
}

void TerminalProgress::setText(const QString &text)
{
    m_text = text;
    redraw();
}

void TerminalProgress::redraw()
{
    if (m_text.isEmpty()) {
        clearLine();
        return;
    }
    QString line = m_text;
    if (m_visible && m_max > 0 && m_value > 0)
        line = QStringLiteral("[%1/%2] ").arg(qint64(m_value)).arg(qint64(m_max)) + line;
    std::fprintf(stderr, "\r\033[K%s", escapedForDisplay(line).toLocal8Bit().constData());
    std::fflush(stderr);
    m_lineShown = true;
}

void TerminalProgress::clearLine()
{
    if (!m_lineShown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_lineShown = false;
}

int KeptMessages::show(const QString &text, int style, const QString &)
{
    messages.append(text);
    const int buttons = style & 7;
    const bool second = style & pembry::mb::DefaultButton2;
    if (buttons == pembry::mb::YesNo)
        return second ? pembry::mb::No : pembry::mb::Yes;
    if (buttons == pembry::mb::OKCancel)
        return second ? pembry::mb::Cancel : pembry::mb::OK;
    return pembry::mb::OK;
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

void printError(const QString &line)
{
    std::fprintf(stderr, "%s\n", escapedForDisplay(line).toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace tabulo::cli
