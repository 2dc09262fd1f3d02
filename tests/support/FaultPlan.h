#pragma once
// Which engine members fail, and with what, for the fault-injecting engine
// (FaultyEngine.h); and a log of the members called, so that tests can see
// what a caller did.
//
// A member is named "Object.Member" with DAO's names:
//   "DBEngine.CreateWorkspace", "DBEngine.SystemDB", "DBEngine.setSystemDB",
//   "DBEngine.Workspaces", "Workspace.Name", "Workspace.OpenDatabase", "Workspace.Close",
//   "Database.Name", "Database.Version", "Database.TableDefs", "Database.Relations",
//   "Database.ReplicaID", "Database.DesignMasterID", "Database.Warnings", "Database.Close",
//   "TableDefs.Count", "TableDefs.Item", "TableDefs.Refresh",
//   "TableDef.Name", "TableDef.Attributes", "TableDef.Fields", "TableDef.Indexes",
//   "TableDef.ValidationRule", "TableDef.ValidationText", "TableDef.Properties",
//   "Fields.Count", "Fields.Item", "Indexes.Count", "Indexes.Item",
//   "Relations.Count", "Relations.Item", "Properties.Count", "Properties.Item",
//   "Field.<any member>", "Index.<any member>", "Relation.<any member>",
//   "Property.<any member>".
// "Object[name].Member" narrows it to the object of that name, for example
// "TableDef[Orders].Fields" or "Field[OrderID].Required" (a collection's
// name is its owner's: "Fields[Orders].Count").

#include "wizard/engine/Dao.h"
#include "wizard/engine/EngineErrors.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace testsupport {

class FaultPlan {
public:
    struct Call {
        QString member;        // "Workspace.OpenDatabase"
        QString name;          // the object's name, when it has one
        QStringList arguments; // for the members that take some
    };

    // `member` fails with `entries` (the list DBEngine.Errors then holds; the
    // last entry is the error thrown) on its next `times` calls, or on every
    // call when `times` is negative.
    void inject(const QString &member, const QList<dao::EngineError> &entries, int times = -1);
    // One entry: `number` with DAO's text (or `description`), source "DAO.<Object>".
    void inject(const QString &member, int number, const QString &description = {}, int times = -1);
    void remove(const QString &member);
    void clear();

    const QList<Call> &calls() const { return m_calls; }
    // Calls of "Object.Member" (every object) or "Object[name].Member".
    int callCount(const QString &member) const;
    void clearCalls() { m_calls.clear(); }

    // Every member of the decorated objects runs this first: records the
    // call and, when a fault is planned for it, fails it through `errors`.
    void enter(dao::ErrorList &errors, const QString &member, const QString &name = {},
               const QStringList &arguments = {});

private:
    struct Fault {
        QList<dao::EngineError> entries;
        int remaining = -1;
        bool fillName = false;  // put the object's name into DAO's "|" placeholder
    };
    bool trigger(dao::ErrorList &errors, const QString &key, const QString &name);

    QHash<QString, Fault> m_faults;
    QList<Call> m_calls;
};

}  // namespace testsupport
