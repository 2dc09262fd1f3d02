#include "wizard/engine/EngineWorkspace.h"

namespace dao {

QString passwordFromConnect(const QString &connect)
{
    const qsizetype at = connect.indexOf(QStringLiteral(";pwd="), 0, Qt::CaseInsensitive);
    if (at >= 0)
        return connect.mid(at + 5);
    if (connect.startsWith(QStringLiteral("pwd="), Qt::CaseInsensitive))
        return connect.mid(4);
    return {};
}

EngineWorkspace::EngineWorkspace(QString name, QString userName, bool isDefault, Opener opener,
                                 std::shared_ptr<ErrorList> errors)
    : m_name(std::move(name)), m_userName(std::move(userName)), m_isDefault(isDefault),
      m_opener(std::move(opener)), m_errors(std::move(errors))
{
}

QString EngineWorkspace::Name() const
{
    return m_name;
}

// Both engines only read the design: how the file would be shared changes nothing.
std::shared_ptr<Database> EngineWorkspace::OpenDatabase(const QString &name, bool /*exclusive*/,
                                                        bool /*readOnly*/, const QString &connect)
{
    if (m_closed)
        m_errors->fail(errors::ObjectInvalid, {}, QStringLiteral("DAO.Workspace"));
    std::shared_ptr<Database> database = m_opener(name, passwordFromConnect(connect));
    std::erase_if(m_opened, [](const std::weak_ptr<Database> &d) { return d.expired(); });
    m_opened.push_back(database);
    return database;
}

void EngineWorkspace::Close()
{
    if (m_isDefault)
        return;
    for (const std::weak_ptr<Database> &weak : m_opened) {
        if (std::shared_ptr<Database> database = weak.lock()) {
            try {
                database->Close();
            } catch (...) {
                // A database that cannot close is closed with its workspace all the same.
            }
        }
    }
    m_opened.clear();
    m_closed = true;
}

}  // namespace dao
