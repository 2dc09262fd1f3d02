#pragma once
// The in-memory engine: a DBEngine whose databases are schema models built in
// code or loaded from JSON snapshot files, with a fault plan that makes any
// member fail with chosen engine errors, and a log of the members called.
//
//   auto engine = std::make_shared<dao::MemoryEngine>();
//   engine->addDatabase("/data/shop.mdb", model);                 // found by OpenDatabase
//   engine->addDatabase("/data/locked.mdb", model, "secret");     // wants ";pwd=secret", else 3031
//   engine->addWorkgroup("/data/shop.mdw", {"admin", "Clerk"});   // CreateWorkspace users
//   engine->faults().inject("Workspace.OpenDatabase", 3033);      // every call fails with 3033
//   engine->faults().inject("Database.ReplicaID", 3478, {}, 1);   // the next call only
//   engine->faults().inject("TableDef[Orders].Fields", 3110);     // one table's Fields
//   engine->faults().inject("DBEngine.CreateWorkspace",           // several entries: the last
//       {dao::engineError(0, "[Driver] login failed"),            // is the error thrown,
//        dao::engineError(0, "[Manager] cannot connect"),         // DBEngine.Errors holds all
//        dao::engineError(3151, "ODBC--connection to 'x' failed.")});
//   dao::installDBEngine(engine);                                  // dao::dbEngine() is it now
//   ...
//   engine->faults().callCount("Workspace.OpenDatabase");          // how often it was called
//   dao::installDBEngine(nullptr);                                 // back to the real engine
//
// FaultPlan.h lists the member names. A name not added opens as a snapshot
// when it ends in ".json" and fails with 3024 otherwise. Workspaces(0) is
// the default workspace, whose user is "admin".

#include "wizard/engine/Dao.h"
#include "wizard/engine/EngineWorkspace.h"
#include "wizard/engine/FaultPlan.h"
#include "wizard/engine/ModelDatabase.h"

#include <QHash>
#include <QStringList>

namespace dao {

class MemoryEngine : public DBEngine {
public:
    MemoryEngine();

    // OpenDatabase finds `path` (exact text) and serves `model` under that
    // name; a non-empty `password` must be given in the connect text.
    void addDatabase(const QString &path, const schema::Database &model, const QString &password = {});
    // CreateWorkspace with SystemDB = `path` accepts these users (letter case
    // aside) with any password; other users fail with 3029. Without
    // SystemDB only "admin" with an empty password logs in; an unknown
    // workgroup path gives 3028.
    void addWorkgroup(const QString &path, const QStringList &users);

    // A database object served from `model` with this engine's faults and
    // errors, not opened through a workspace: what a host hands in.
    std::shared_ptr<ModelDatabase> makeDatabase(const schema::Database &model);

    FaultPlan &faults() { return *m_hooks.faults; }
    ErrorList &errorList() { return *m_hooks.errors; }

    std::shared_ptr<Workspace> Workspaces(int index) override;
    QString SystemDB() const override;
    void setSystemDB(const QString &path) override;
    std::shared_ptr<Workspace> CreateWorkspace(const QString &name, const QString &user,
                                               const QString &password) override;
    const dao::Errors &Errors() const override { return *m_hooks.errors; }

private:
    // What workspaces need to open databases; shared with them, so that a
    // workspace still held after the engine is gone keeps working.
    struct Store;
    EngineWorkspace::Opener opener() const;

    EngineHooks m_hooks;
    std::shared_ptr<Store> m_store;
    QHash<QString, QStringList> m_workgroups;
    QString m_systemDB;
    std::shared_ptr<EngineWorkspace> m_defaultWorkspace;
};

}  // namespace dao
