#pragma once
// The in-memory engine: a DBEngine whose databases are schema models built in
// code or loaded from JSON snapshot files.
//
//   auto engine = std::make_shared<dao::MemoryEngine>();
//   engine->addDatabase("/data/shop.mdb", model);                 // found by OpenDatabase
//   engine->addDatabase("/data/locked.mdb", model, "secret");     // wants ";pwd=secret", else 3031
//   engine->addWorkgroup("/data/shop.mdw", {"admin", "Clerk"});   // CreateWorkspace users
//   dao::installDBEngine(engine);                                  // dao::dbEngine() is it now
//   ...
//   dao::installDBEngine(nullptr);                                 // back to the real engine
//
// A name not added opens as a snapshot when it ends in ".json" and fails
// with 3024 otherwise. Workspaces(0) is the default workspace, whose user
// is "admin".

#include "wizard/engine/Dao.h"
#include "wizard/engine/EngineWorkspace.h"
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

    // A database object served from `model` with this engine's error list,
    // not opened through a workspace: what a host hands in.
    std::shared_ptr<ModelDatabase> makeDatabase(const schema::Database &model);

    // The list Errors() shows; failures of the engine's objects fill it.
    const std::shared_ptr<ErrorList> &errorList() const { return m_errors; }

    std::shared_ptr<Workspace> Workspaces(int index) override;
    QString SystemDB() const override;
    void setSystemDB(const QString &path) override;
    std::shared_ptr<Workspace> CreateWorkspace(const QString &name, const QString &user,
                                               const QString &password) override;
    const dao::Errors &Errors() const override { return *m_errors; }

private:
    // What workspaces need to open databases; shared with them, so that a
    // workspace still held after the engine is gone keeps working.
    struct Store;
    EngineWorkspace::Opener opener() const;

    std::shared_ptr<ErrorList> m_errors;
    std::shared_ptr<Store> m_store;
    QHash<QString, QStringList> m_workgroups;
    QString m_systemDB;
    std::shared_ptr<EngineWorkspace> m_defaultWorkspace;
};

}  // namespace dao
