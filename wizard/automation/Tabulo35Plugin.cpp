// The Jet 3.5 build of the wizard: opens Jet 3 files only.
#include "wizard/automation/WizardPlugin.h"

namespace tabulo {

class Tabulo35Plugin : public QObject, public ApplicationFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TabuloApplicationFactory_iid FILE "Tabulo35.json")
    Q_INTERFACES(tabulo::ApplicationFactory)
public:
    Tabulo35Plugin() { setWizardBuild(jet35Build()); }
    QObject *createApplication() override { return newApplication(); }
};

}  // namespace tabulo

#include "Tabulo35Plugin.moc"
