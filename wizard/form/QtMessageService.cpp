#include "wizard/form/QtMessageService.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tabulo {

namespace {

QtMessageService &sharedService()
{
    static QtMessageService service;
    return service;
}

int g_windowsUsingService = 0;

struct ButtonAnswer {
    QMessageBox::StandardButton button;
    int answer;
};

// The buttons of a Basic message box style, in their order on the box.
QList<ButtonAnswer> buttonsOf(int style)
{
    using B = QMessageBox;
    switch (style & 7) {
    case 1:
        return {{B::Ok, pembry::mb::OK}, {B::Cancel, pembry::mb::Cancel}};
    case 2:
        return {{B::Abort, 3}, {B::Retry, 4}, {B::Ignore, 5}};
    case 3:
        return {{B::Yes, pembry::mb::Yes}, {B::No, pembry::mb::No}, {B::Cancel, pembry::mb::Cancel}};
    case 4:
        return {{B::Yes, pembry::mb::Yes}, {B::No, pembry::mb::No}};
    case 5:
        return {{B::Retry, 4}, {B::Cancel, pembry::mb::Cancel}};
    default:
        return {{B::Ok, pembry::mb::OK}};
    }
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0x70) {
    case pembry::mb::Critical:
        return QMessageBox::Critical;
    case pembry::mb::Question:
        return QMessageBox::Question;
    case pembry::mb::Exclamation:
        return QMessageBox::Warning;
    case pembry::mb::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

}  // namespace

int QtMessageService::show(const QString &text, int style, const QString &title)
{
    QMessageBox box(iconOf(style), title.isEmpty() ? defaultTitle() : title, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const QList<ButtonAnswer> buttons = buttonsOf(style);
    for (const ButtonAnswer &choice : buttons)
        box.addButton(choice.button);
    const int defaultPosition = (style >> 8) & 3;       // 0: first button, 1: second, 2: third
    box.setDefaultButton(buttons.value(defaultPosition, buttons.first()).button);
    // Escape answers Cancel or No where the box has one, else its only button.
    for (const ButtonAnswer &choice : buttons) {
        if (choice.button == QMessageBox::Cancel || (choice.button == QMessageBox::No && buttons.size() == 2))
            box.setEscapeButton(choice.button);
    }
    if (buttons.size() == 1)
        box.setEscapeButton(buttons.first().button);
    // A busy pointer set for the work in progress does not hide the answer.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const ButtonAnswer &choice : buttons) {
        if (choice.button == pressed)
            return choice.answer;
    }
    // Closed without a button (no escape button): the box's last button.
    return buttons.last().answer;
}

ScopedWizardMessages::ScopedWizardMessages()
{
    pembry::MessageService &current = pembry::messageService();
    if (dynamic_cast<pembry::ConsoleMessageService *>(&current) || &current == &sharedService()) {
        pembry::setMessageService(&sharedService());
        ++g_windowsUsingService;
        m_installed = true;
    }
}

ScopedWizardMessages::~ScopedWizardMessages()
{
    if (!m_installed)
        return;
    if (--g_windowsUsingService == 0 && &pembry::messageService() == &sharedService())
        pembry::setMessageService(nullptr);     // back to the console service that was there before
}

}  // namespace tabulo
