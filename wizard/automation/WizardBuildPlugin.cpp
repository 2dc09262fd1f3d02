// One wizard plugin. CMake compiles this file once a build, naming the class
// (TABULO_PLUGIN_CLASS), its metadata file (TABULO_PLUGIN_METADATA) and the
// function that gives the build (TABULO_PLUGIN_BUILD): Tabulo120 opens Jet 3,
// Jet 4 and ACE files, Tabulo40 Jet 3 and Jet 4 files, Tabulo35 Jet 3 files.
#include "wizard/automation/WizardPlugin.h"

namespace tabulo {

class TABULO_PLUGIN_CLASS : public QObject, public ApplicationFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TabuloApplicationFactory_iid FILE TABULO_PLUGIN_METADATA)
    Q_INTERFACES(tabulo::ApplicationFactory)
public:
    TABULO_PLUGIN_CLASS() { setWizardBuild(TABULO_PLUGIN_BUILD()); }
    QObject *createApplication() override { return newApplication(); }
};

}  // namespace tabulo

#include "WizardBuildPlugin.moc"
