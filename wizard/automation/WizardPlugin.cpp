#include "wizard/automation/WizardPlugin.h"

#include "wizard/automation/Application.h"

namespace tabulo {

QObject *newApplication()
{
    return new Application();
}

}  // namespace tabulo
