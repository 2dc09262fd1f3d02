#pragma once
// Which of the three wizard builds is running: the ACE build (Tabulo120,
// opens Jet 3, Jet 4 and Access 2007 and later files), the Jet 4.0 build
// (Tabulo40, Jet 3 and Jet 4) or the Jet 3.5 build (Tabulo35, Jet 3 only).
// Each plugin sets its build when it is loaded; tabulo-cli reads as the ACE
// build does, and the tests use the Jet 4.0 build unless they say otherwise.

#include <QString>

namespace tabulo {

struct WizardBuild {
    QString name;                 // "Tabulo40": the library's name, its log file's name
    int jetVersion = 40;          // 120, 40 or 35: the newest file format the engine opens
    QString programmaticId;       // "Tabulo40.Application"
    QString description;          // "Morvane Tabulo Wizard (Jet 4.0)": type library and window caption
};

WizardBuild ace120Build();
WizardBuild jet40Build();
WizardBuild jet35Build();

const WizardBuild &wizardBuild();
void setWizardBuild(const WizardBuild &build);

// Whether the running build opens ACE (Access 2007 and later) files.
inline bool opensAce() { return wizardBuild().jetVersion >= 120; }

}  // namespace tabulo
