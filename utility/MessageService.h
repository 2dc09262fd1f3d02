#pragma once
// The one way Tabulo and Pembry31 show a message box or ask a question.
// A window installs a Qt implementation; tests install a recording one;
// without either, messages go to standard error and questions answer the
// default button.

#include <QString>

namespace pembry {

// Message box styles and answers, with Basic's values.
namespace mb {
constexpr int OKOnly = 0;
constexpr int OKCancel = 1;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256;

constexpr int OK = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace mb

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows `text` with the buttons and icon of `style` and answers the
    // button pressed (mb::OK, mb::Yes, ...). An empty title means the
    // application's default title.
    virtual int show(const QString &text, int style, const QString &title) = 0;
};

// Writes the message to standard error; answers OK, or the default button.
class ConsoleMessageService : public MessageService {
public:
    int show(const QString &text, int style, const QString &title) override;
};

// The service in use (never null); install nullptr to go back to the console.
MessageService &messageService();
void setMessageService(MessageService *service);

// Basic's MsgBox, through the service in use.
int MsgBox(const QString &text, int style = mb::OKOnly, const QString &title = {});

}  // namespace pembry
