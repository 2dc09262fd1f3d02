#include "wizard/engine/WizardBuild.h"

namespace tabulo {

namespace {
WizardBuild &current()
{
    static WizardBuild build = jet40Build();
    return build;
}
}  // namespace

WizardBuild ace120Build()
{
    return {QStringLiteral("Tabulo120"), 120, QStringLiteral("Tabulo120.Application"),
            QStringLiteral("Morvane Tabulo Wizard (ACE 12.0)")};
}

WizardBuild jet40Build()
{
    return {QStringLiteral("Tabulo40"), 40, QStringLiteral("Tabulo40.Application"),
            QStringLiteral("Morvane Tabulo Wizard (Jet 4.0)")};
}

WizardBuild jet35Build()
{
    return {QStringLiteral("Tabulo35"), 35, QStringLiteral("Tabulo35.Application"),
            QStringLiteral("Morvane Tabulo Wizard (Jet 3.5)")};
}

const WizardBuild &wizardBuild()
{
    return current();
}

void setWizardBuild(const WizardBuild &build)
{
    current() = build;
}

}  // namespace tabulo
