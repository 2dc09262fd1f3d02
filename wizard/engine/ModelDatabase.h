#pragma once
// The DAO objects of one database, served from its schema model: what both
// engines hand out once a database is open (the Jet file engine after its
// reader has described the file, the in-memory engine straight away).
// Failures go into the engine's error list; once the database is closed its
// members fail with 3420. The objects are views of the model, made when a
// collection is asked for one; each keeps the model alive while it is held.

#include "wizard/engine/Dao.h"
#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/SchemaModel.h"

#include <memory>

namespace dao {

class ModelDatabase : public Database {
public:
    ModelDatabase(schema::Database model, std::shared_ptr<ErrorList> errors);
    ~ModelDatabase() override;

    QString Name() const override;
    QString Version() const override;
    dao::TableDefs &TableDefs() override;
    const dao::Relations &Relations() const override;
    QString ReplicaID() const override;
    QString DesignMasterID() const override;
    QStringList Warnings() const override;
    void Close() override;

    bool isClosed() const { return m_closed; }
    const schema::Database &model() const;

private:
    void checkOpen() const;

    class Impl;
    std::shared_ptr<ErrorList> m_errors;
    std::unique_ptr<Impl> m_impl;
    bool m_closed = false;
};

// What of a design a caller reads beyond the tables, their fields and
// indexes.
struct DesignWanted {
    bool designProperties = true;   // the further properties and a table's own validation
    bool relations = true;
};

// The design of `database` as the model. A database this library serves
// hands over its model, which is shared, not copied. One of another
// engine, a host's, is read once through its members, leaving out what is
// not wanted. Engine errors pass through, except that a database that
// cannot say whether it is a replica (3478) counts as none.
schema::Database designOf(Database &database, DesignWanted wanted = {});

}  // namespace dao
