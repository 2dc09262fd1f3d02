#include "wizard/form/HandlerGuard.h"

#include "utility/MessageService.h"
#include "wizard/errors/clsErrorHandler.h"

namespace tabulo {

void reportFormError(const QString &routine)
{
    clsErrorHandler &handler = gobjErrorHandler();
    handler.ErrorProcess();
    QString title;
    handler.ErrorHandler(QStringLiteral("frmWizardMain - ") + routine, true, pembry::mb::Exclamation, title);
}

}  // namespace tabulo
