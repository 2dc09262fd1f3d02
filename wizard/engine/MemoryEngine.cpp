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
    EngineHooks hooks;
    QHash<QString, StoredDatabase> databases;

    std::shared_ptr<Database> open(const QString &name, const QString &password) const;
};

MemoryEngine::MemoryEngine()
    : m_hooks{std::make_shared<ErrorList>(), std::make_shared<FaultPlan>()},
      m_store(std::make_shared<Store>())
{
    m_store->hooks = m_hooks;
    m_defaultWorkspace = std::make_shared<EngineWorkspace>(QStringLiteral("#Default Workspace#"),
                                                           DefaultUser, true, opener(), m_hooks);
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
    return std::make_shared<ModelDatabase>(model, m_hooks);
}

std::shared_ptr<Workspace> MemoryEngine::Workspaces(int index)
{
    m_hooks.enter(QStringLiteral("DBEngine.Workspaces"), {}, {QString::number(index)});
    if (index != 0)
        m_hooks.fail(errors::ItemNotFound, {}, QStringLiteral("DAO.Workspaces"));
    return m_defaultWorkspace;
}

QString MemoryEngine::SystemDB() const
{
    m_hooks.enter(QStringLiteral("DBEngine.SystemDB"));
    return m_systemDB;
}

void MemoryEngine::setSystemDB(const QString &path)
{
    m_hooks.enter(QStringLiteral("DBEngine.setSystemDB"), {}, {path});
    m_systemDB = path;
}

std::shared_ptr<Workspace> MemoryEngine::CreateWorkspace(const QString &name, const QString &user,
                                                         const QString &password)
{
    m_hooks.enter(QStringLiteral("DBEngine.CreateWorkspace"), {}, {name, user, password});
    const QString source = QStringLiteral("DAO.DBEngine");
    QStringList users{DefaultUser};
    if (!m_systemDB.isEmpty()) {
        if (!m_workgroups.contains(m_systemDB))
            m_hooks.fail(errors::WorkgroupUnusable, {}, source);
        users = m_workgroups.value(m_systemDB);
    }
    if (!users.contains(user, Qt::CaseInsensitive) || (m_systemDB.isEmpty() && !password.isEmpty()))
        m_hooks.fail(errors::NotValidAccount, {}, source);
    return std::make_shared<EngineWorkspace>(name, user, false, opener(), m_hooks);
}

std::shared_ptr<Database> MemoryEngine::Store::open(const QString &name, const QString &password) const
{
    const QString source = QStringLiteral("DAO.Workspace");
    auto stored = databases.constFind(name);
    if (stored != databases.cend()) {
        if (!stored->password.isEmpty() && stored->password != password)
            hooks.fail(errors::NotValidDbPassword, {}, source);
        schema::Database model = stored->model;
        model.name = name;
        return std::make_shared<ModelDatabase>(std::move(model), hooks);
    }
    if (isSnapshotName(name))
        return std::make_shared<ModelDatabase>(loadSnapshot(name, hooks), hooks);
    hooks.fail(errors::FileNotFound, engineErrorText(errors::FileNotFound, name), source);
}

}  // namespace dao
