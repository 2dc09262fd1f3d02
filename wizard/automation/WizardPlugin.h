#pragma once
// What the plugin builds share: the factory interface and the function
// that makes an Application.

#include "wizard/automation/ApplicationFactory.h"
#include "wizard/engine/WizardBuild.h"

namespace tabulo {

QObject *newApplication();

}  // namespace tabulo
