#pragma once
// Opening the shared sample files through the Jet file engine, and finding
// their objects by name.

#include "TestPaths.h"

#include "wizard/engine/JetEngine.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <stdexcept>

namespace samples {

using namespace dao;

inline std::shared_ptr<Database> openSample(const char *name, const QString &password = {})
{
    static JetEngine engine;
    return engine.Workspaces(0)->OpenDatabase(testDataPath(QLatin1String(name)), false, true,
                                              QStringLiteral(";pwd=") + password);
}

inline std::shared_ptr<TableDef> table(Database &db, const QString &name)
{
    TableDefs &tables = db.TableDefs();
    for (int i = 0; i < tables.Count(); ++i) {
        if (tables.Item(i)->Name() == name)
            return tables.Item(i);
    }
    ADD_FAILURE() << "no table " << name.toStdString();
    throw std::runtime_error("missing table");
}

template <class C>
auto named(const C &collection, const QString &name)
{
    for (int i = 0; i < collection.Count(); ++i) {
        if (collection.Item(i)->Name() == name)
            return collection.Item(i);
    }
    ADD_FAILURE() << "nothing named " << name.toStdString();
    throw std::runtime_error("missing item");
}

// The names the wizard lists: neither system, linked nor "MSys" tables.
inline QStringList userTables(Database &db)
{
    QStringList names;
    TableDefs &tables = db.TableDefs();
    for (int i = 0; i < tables.Count(); ++i) {
        const qint32 a = tables.Item(i)->Attributes();
        if ((a & dbSystemObject) == dbSystemObject || (a & dbAttachedTable) || (a & dbAttachedODBC))
            continue;
        if (!tables.Item(i)->Name().startsWith(QStringLiteral("MSys")))
            names.append(tables.Item(i)->Name());
    }
    return names;
}

}  // namespace samples
