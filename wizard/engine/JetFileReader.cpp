#include "wizard/engine/JetFileReader.h"

namespace dao {

JetFileReader::JetFileReader(JetFileReaderSettings settings) : m_settings(std::move(settings)) {}

schema::Database JetFileReader::readDatabase(const QString &path, const QString &,
                                             const EngineHooks &hooks) const
{
    hooks.fail(errors::FormatNotRecognised, engineErrorText(errors::FormatNotRecognised, path),
               QStringLiteral("DAO.Workspace"));
}

QStringList JetFileReader::readWorkgroupUsers(const QString &, const EngineHooks &hooks) const
{
    hooks.fail(errors::WorkgroupUnusable, {}, QStringLiteral("DAO.DBEngine"));
}

QString findSchemaReader()
{
    return {};
}

}  // namespace dao
