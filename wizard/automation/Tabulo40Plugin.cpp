// The Jet 4.0 build of the wizard: opens Jet 3 and Jet 4 files.
#include "wizard/automation/WizardPlugin.h"

namespace tabulo {

class Tabulo40Plugin : public QObject, public ApplicationFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TabuloApplicationFactory_iid FILE "Tabulo40.json")
    Q_INTERFACES(tabulo::ApplicationFactory)
public:
    Tabulo40Plugin() { setWizardBuild(jet40Build()); }
    QObject *createApplication() override { return newApplication(); }
};

}  // namespace tabulo

#include "Tabulo40Plugin.moc"
