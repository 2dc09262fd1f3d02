#pragma once
// The DAO objects of one database, served from its schema model: what both
// engines hand out once a database is open (the Jet file engine after its
// reader has described the file, the in-memory engine straight away).
// Every member first asks the fault plan, when there is one, whether it
// should fail; once the database is closed its members fail with 3420.

#include "wizard/engine/Dao.h"
#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/FaultPlan.h"
#include "wizard/engine/SchemaModel.h"

#include <memory>

namespace dao {

// What the objects of one engine share: its error list and, in the
// in-memory engine, its fault plan (null in the Jet file engine).
struct EngineHooks {
    std::shared_ptr<ErrorList> errors;
    std::shared_ptr<FaultPlan> faults;

    void enter(const QString &member, const QString &name = {},
               const QStringList &arguments = {}) const
    {
        if (faults)
            faults->enter(*errors, member, name, arguments);
    }
    // The same for a member named in Latin-1, made a QString only when a
    // fault plan is there to see it: members of the served objects are
    // called for every field.
    void enter(const char *member, const QString &name) const
    {
        if (faults)
            faults->enter(*errors, QLatin1String(member), name);
    }
    [[noreturn]] void fail(int number, const QString &description, const QString &source) const
    {
        errors->raise(engineError(number, description, source));
    }
};

class ModelDatabase : public Database {
public:
    ModelDatabase(schema::Database model, EngineHooks hooks);
    ~ModelDatabase() override;

    QString Name() const override;
    QString Version() const override;
    dao::TableDefs &TableDefs() override;
    const dao::Relations &Relations() const override;
    QString ReplicaID() const override;
    QString DesignMasterID() const override;
    void Close() override;

    bool isClosed() const { return m_closed; }
    const schema::Database &model() const { return m_model; }

private:
    void enter(const QString &member) const;

    class Impl;
    schema::Database m_model;
    EngineHooks m_hooks;
    std::unique_ptr<Impl> m_impl;
    bool m_closed = false;
};

}  // namespace dao
