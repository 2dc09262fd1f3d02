#pragma once
// A workspace of either engine: a login under which databases are opened.
// The engine supplies how a named database is opened; the workspace keeps
// what it opened so that closing it closes them too, as DAO does. The
// default workspace (DBEngine.Workspaces(0)) cannot be closed: Close on it
// does nothing.

#include "wizard/engine/Dao.h"
#include "wizard/engine/ModelDatabase.h"

#include <functional>
#include <vector>

namespace dao {

// The database password of a connect text: what follows ";pwd=" (letter case
// of "pwd" aside) up to the end, so that a password may hold ";".
QString passwordFromConnect(const QString &connect);

class EngineWorkspace : public Workspace {
public:
    // Opens the named database with a database password.
    using Opener = std::function<std::shared_ptr<Database>(const QString &name, const QString &password)>;

    EngineWorkspace(QString name, QString userName, bool isDefault, Opener opener,
                    std::shared_ptr<ErrorList> errors);

    QString Name() const override;
    std::shared_ptr<Database> OpenDatabase(const QString &name, bool exclusive, bool readOnly,
                                           const QString &connect) override;
    void Close() override;

    const QString &userName() const { return m_userName; }
    bool isClosed() const { return m_closed; }

private:
    QString m_name;
    QString m_userName;
    bool m_isDefault;
    Opener m_opener;
    std::shared_ptr<ErrorList> m_errors;
    std::vector<std::weak_ptr<Database>> m_opened;
    bool m_closed = false;
};

}  // namespace dao
