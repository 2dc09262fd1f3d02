#pragma once
// The real engine: opens Jet database files (.mdb, .mdw) through
// tabulo-schema-reader, and JSON snapshots through the schema model.
// Workspaces(0) is the default workspace, logged in as "admin". Without
// SystemDB, CreateWorkspace accepts admin with an empty password, as Jet's
// default workgroup does. With SystemDB set, it finds the user in the
// workgroup file's accounts; the files let nobody outside Jet check account
// passwords or permissions, so a known user is let in with any password.

#include "wizard/engine/Dao.h"
#include "wizard/engine/EngineWorkspace.h"
#include "wizard/engine/JetFileReader.h"

namespace dao {

class JetEngine : public DBEngine {
public:
    JetEngine();
    explicit JetEngine(JetFileReader reader);

    JetFileReader &reader() { return *m_reader; }

    std::shared_ptr<Workspace> Workspaces(int index) override;
    QString SystemDB() const override { return m_systemDB; }
    void setSystemDB(const QString &path) override { m_systemDB = path; }
    std::shared_ptr<Workspace> CreateWorkspace(const QString &name, const QString &user,
                                               const QString &password) override;
    const dao::Errors &Errors() const override { return *m_errors; }
    // Starts the reader on a Jet file; snapshots are read when opened.
    void readAhead(const QString &name) override;
    void setDesignPropertiesWanted(bool wanted) override { m_reader->settings().designProperties = wanted; }
    void setDescriptionsWanted(bool wanted) override { m_reader->settings().descriptions = wanted; }
    void setQueriesWanted(bool wanted) override { m_reader->settings().queries = wanted; }

private:
    EngineWorkspace::Opener opener() const;

    std::shared_ptr<ErrorList> m_errors;
    std::shared_ptr<JetFileReader> m_reader;
    QString m_systemDB;
    std::shared_ptr<EngineWorkspace> m_defaultWorkspace;
};

}  // namespace dao
