#pragma once
// Message boxes of the wizard window as QMessageBox, owned by the active
// window. A box without a title of its own carries "Tabulo Wizard".

#include "utility/MessageService.h"

namespace tabulo {

class QtMessageService : public pembry::MessageService {
public:
    static QString defaultTitle() { return QStringLiteral("Tabulo Wizard"); }
    int show(const QString &text, int style, const QString &title) override;
};

// Puts the one QtMessageService in place while at least one wizard window
// lives, and takes it away with the last one. A service installed by someone
// else (a host, a test) is left in place.
class ScopedWizardMessages {
public:
    ScopedWizardMessages();
    ~ScopedWizardMessages();
    Q_DISABLE_COPY(ScopedWizardMessages)

private:
    bool m_installed = false;
};

}  // namespace tabulo
