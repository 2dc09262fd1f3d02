#include "utility/MessageService.h"

#include <cstdio>

namespace pembry {

namespace {
MessageService *g_installed = nullptr;

int defaultAnswer(int style)
{
    const int buttons = style & 7;
    const bool second = style & mb::DefaultButton2;
    switch (buttons) {
    case mb::OKCancel:
        return second ? mb::Cancel : mb::OK;
    case mb::YesNo:
        return second ? mb::No : mb::Yes;
    default:
        return mb::OK;
    }
}
}  // namespace

int ConsoleMessageService::show(const QString &text, int style, const QString &title)
{
    QString line = title.isEmpty() ? text : title + QStringLiteral(": ") + text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    return defaultAnswer(style);
}

MessageService &messageService()
{
    static ConsoleMessageService console;
    return g_installed ? *g_installed : console;
}

void setMessageService(MessageService *service)
{
    g_installed = service;
}

int MsgBox(const QString &text, int style, const QString &title)
{
    return messageService().show(text, style, title);
}

}  // namespace pembry
