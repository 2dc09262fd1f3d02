#include "wizard/engine/MemoryEngine.h"

#include "wizard/engine/SnapshotFile.h"

namespace dao {

namespace {
const QString DefaultUser = QStringLiteral("admin");
}

struct MemoryEngine::Store {
    struct StoredDatabase {
        schema::Database model;
        QString password;
    };
    std::shared_ptr<ErrorList> errors;
    QHash<QString, StoredDatabase> databases;

    std::shared_ptr<Database> open(const QString &name, const QString &password) const;
};

MemoryEngine::MemoryEngine()
    : m_errors(std::make_shared<ErrorList>()), m_store(std::make_shared<Store>())
{
    m_store->errors = m_errors;
    m_defaultWorkspace = std::make_shared<EngineWorkspace>(QStringLiteral("#Default Workspace#"),
                                                           DefaultUser, true, opener(), m_errors);
}

EngineWorkspace::Opener MemoryEngine::opener() const
{
    return [store = m_store](const QString &name, const QString &password) {
        return store->open(name, password);
    };
}

void MemoryEngine::addDatabase(const QString &path, const schema::Database &model, const QString &password)
{
    m_store->databases.insert(path, Store::StoredDatabase{model, password});
}

void MemoryEngine::addWorkgroup(const QString &path, const QStringList &users)
{
    m_workgroups.insert(path, users);
}

std::shared_ptr<ModelDatabase> MemoryEngine::makeDatabase(const schema::Database &model)
{
    return std::make_shared<ModelDatabase>(model, m_errors);
}

std::shared_ptr<Workspace> MemoryEngine::Workspaces(int index)
{
    if (index != 0)
        m_errors->fail(errors::ItemNotFound, {}, QStringLiteral("DAO.Workspaces"));
    return m_defaultWorkspace;
}

QString MemoryEngine::SystemDB() const
{
    return m_systemDB;
}

void MemoryEngine::setSystemDB(const QString &path)
{
    m_systemDB = path;
}

std::shared_ptr<Workspace> MemoryEngine::CreateWorkspace(const QString &name, const QString &user,
                                                         const QString &password)
{
    const QString source = QStringLiteral("DAO.DBEngine");
    QStringList users{DefaultUser};
    if (!m_systemDB.isEmpty()) {
        if (!m_workgroups.contains(m_systemDB))
            m_errors->fail(errors::WorkgroupUnusable, {}, source);
        users = m_workgroups.value(m_systemDB);
    }
    if (!users.contains(user, Qt::CaseInsensitive) || (m_systemDB.isEmpty() && !password.isEmpty()))
        m_errors->fail(errors::NotValidAccount, {}, source);
    return std::make_shared<EngineWorkspace>(name, user, false, opener(), m_errors);
}

std::shared_ptr<Database> MemoryEngine::Store::open(const QString &name, const QString &password) const
{
    const QString source = QStringLiteral("DAO.Workspace");
    auto stored = databases.constFind(name);
    if (stored != databases.cend()) {
        if (!stored->password.isEmpty() && stored->password != password)
            errors->fail(errors::NotValidDbPassword, {}, source);
        schema::Database model = stored->model;
        model.name = name;
        return std::make_shared<ModelDatabase>(std::move(model), errors);
    }
    if (isSnapshotName(name))
        return std::make_shared<ModelDatabase>(loadSnapshot(name, *errors), errors);
    errors->fail(errors::FileNotFound, engineErrorText(errors::FileNotFound, name), source);
}

}  // namespace dao
