#pragma once
// Fault injection for tests: an engine that wraps another and hands out
// wrapped objects. Every member of the wrapped objects first asks the fault
// plan (FaultPlan.h, which lists the member names) whether it should fail,
// and is logged there; then it forwards to the real object. An injected
// failure fills the real engine's error list, so Errors() shows it as it
// shows the engine's own failures.
//
//   auto engine = std::make_shared<testsupport::FakeEngine>();
//   engine->addDatabase("/data/shop.mdb", model);                 // the in-memory engine's
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

#include "FaultPlan.h"

#include "wizard/engine/Dao.h"
#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/MemoryEngine.h"

#include <memory>

namespace testsupport {

// What the wrapped objects of one engine share.
struct FaultContext {
    std::shared_ptr<FaultPlan> plan;
    std::shared_ptr<dao::ErrorList> errors;   // the real engine's list

    void enter(const QString &member, const QString &name = {}, const QStringList &arguments = {}) const
    {
        plan->enter(*errors, member, name, arguments);
    }
};

class FaultyEngine : public dao::DBEngine {
public:
    // `errors` is the list `inner` fills and shows as its Errors().
    FaultyEngine(std::shared_ptr<dao::DBEngine> inner, std::shared_ptr<dao::ErrorList> errors,
                 std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>());

    FaultPlan &faults() { return *m_context->plan; }

    // `database` with this engine's faults: a database handed in rather
    // than opened through a workspace.
    std::shared_ptr<dao::Database> withFaults(std::shared_ptr<dao::Database> database) const;

    std::shared_ptr<dao::Workspace> Workspaces(int index) override;
    QString SystemDB() const override;
    void setSystemDB(const QString &path) override;
    std::shared_ptr<dao::Workspace> CreateWorkspace(const QString &name, const QString &user,
                                                    const QString &password) override;
    const dao::Errors &Errors() const override { return m_inner->Errors(); }
    void readAhead(const QString &name) override { m_inner->readAhead(name); }
    void setDesignPropertiesWanted(bool wanted) override { m_inner->setDesignPropertiesWanted(wanted); }

private:
    std::shared_ptr<dao::DBEngine> m_inner;
    std::shared_ptr<const FaultContext> m_context;
    std::shared_ptr<dao::Workspace> m_defaultWorkspace;   // wrapped once, as the engine keeps one
};

// The tests' one fake engine: the in-memory engine, serving schema models,
// behind the fault decorator.
class FakeEngine : public FaultyEngine {
public:
    explicit FakeEngine(std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>())
        : FakeEngine(std::make_shared<dao::MemoryEngine>(), std::move(plan)) {}

    dao::MemoryEngine &memory() { return *m_memory; }
    dao::ErrorList &errorList() { return *m_memory->errorList(); }

    void addDatabase(const QString &path, const schema::Database &model, const QString &password = {})
    {
        m_memory->addDatabase(path, model, password);
    }
    void addWorkgroup(const QString &path, const QStringList &users) { m_memory->addWorkgroup(path, users); }
    // A database served from `model` with this engine's faults, as a host hands one in.
    std::shared_ptr<dao::Database> makeDatabase(const schema::Database &model)
    {
        return withFaults(m_memory->makeDatabase(model));
    }

private:
    FakeEngine(std::shared_ptr<dao::MemoryEngine> memory, std::shared_ptr<FaultPlan> plan)
        : FaultyEngine(memory, memory->errorList(), std::move(plan)), m_memory(std::move(memory)) {}

    std::shared_ptr<dao::MemoryEngine> m_memory;
};

// The DAO objects of `model` through a fake engine with `plan`, for code
// that reads tables and relations without opening a source.
std::shared_ptr<dao::Database> fakeDatabase(const schema::Database &model,
                                            std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>());

}  // namespace testsupport
