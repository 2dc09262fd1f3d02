#include "wizard/engine/JetEngine.h"

#include "wizard/engine/SnapshotFile.h"

#include "utility/OS32Helper.h"

namespace dao {

namespace {
const QString DefaultUser = QStringLiteral("admin");
}

JetEngine::JetEngine() : JetEngine(JetFileReader(JetFileReaderSettings{})) {}

JetEngine::JetEngine(JetFileReader reader)
    : m_errors(std::make_shared<ErrorList>()),
      m_reader(std::make_shared<JetFileReader>(std::move(reader)))
{
    m_defaultWorkspace = std::make_shared<EngineWorkspace>(QStringLiteral("#Default Workspace#"),
                                                           DefaultUser, true, opener(), m_errors);
}

EngineWorkspace::Opener JetEngine::opener() const
{
    return [errors = m_errors, reader = m_reader](const QString &name, const QString &password)
               -> std::shared_ptr<Database> {
        // The file as the library's path routines find it; the database
        // keeps the name it was opened by.
        const QString file = pembry::fileSystemPath(name);
        schema::Database model = isSnapshotName(name) ? loadSnapshot(file, *errors)
                                                      : reader->readDatabase(file, password, *errors);
        model.name = name;
        return std::make_shared<ModelDatabase>(std::move(model), errors);
    };
}

void JetEngine::readAhead(const QString &name)
{
    if (!isSnapshotName(name))
        m_reader->readAhead(name);
}

std::shared_ptr<Workspace> JetEngine::Workspaces(int index)
{
    if (index != 0)
        m_errors->fail(errors::ItemNotFound, {}, QStringLiteral("DAO.Workspaces"));
    return m_defaultWorkspace;
}

std::shared_ptr<Workspace> JetEngine::CreateWorkspace(const QString &name, const QString &user,
                                                      const QString &password)
{
    const QString source = QStringLiteral("DAO.DBEngine");
    // Without a workgroup file Jet's default workgroup holds one user,
    // admin, without a password.
    const QStringList users =
        m_systemDB.isEmpty() ? QStringList{DefaultUser}
                             : m_reader->readWorkgroupUsers(pembry::fileSystemPath(m_systemDB), *m_errors);
    if (!users.contains(user, Qt::CaseInsensitive) || (m_systemDB.isEmpty() && !password.isEmpty()))
        m_errors->fail(errors::NotValidAccount, {}, source);
    return std::make_shared<EngineWorkspace>(name, user, false, opener(), m_errors);
}

}  // namespace dao
