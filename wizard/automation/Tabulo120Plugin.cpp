// The ACE build of the wizard: opens Jet 3, Jet 4 and ACE (Access 2007 and later) files.
#include "wizard/automation/WizardPlugin.h"

namespace tabulo {

class Tabulo120Plugin : public QObject, public ApplicationFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TabuloApplicationFactory_iid FILE "Tabulo120.json")
    Q_INTERFACES(tabulo::ApplicationFactory)
public:
    Tabulo120Plugin() { setWizardBuild(ace120Build()); }
    QObject *createApplication() override { return newApplication(); }
};

}  // namespace tabulo

#include "Tabulo120Plugin.moc"
