#pragma once
// The interface a wizard plugin offers: it makes new Application objects.
// Header-only, so that hosts need nothing of the wizard to use it.

#include <QObject>
#include <QtPlugin>

namespace tabulo {

class ApplicationFactory {
public:
    virtual ~ApplicationFactory() = default;
    // A new Application object; the caller owns it.
    virtual QObject *createApplication() = 0;
};

}  // namespace tabulo

#define TabuloApplicationFactory_iid "org.tabulo.ApplicationFactory/1.0"
Q_DECLARE_INTERFACE(tabulo::ApplicationFactory, TabuloApplicationFactory_iid)
