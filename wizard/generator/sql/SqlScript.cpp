#include "wizard/generator/sql/SqlScript.h"

namespace tabulo::sql {

std::optional<Dialect> dialectNamed(QStringView name)
{
    if (name.compare(u"sqlite", Qt::CaseInsensitive) == 0)
        return Dialect::SQLite;
    if (name.compare(u"postgresql", Qt::CaseInsensitive) == 0)
        return Dialect::PostgreSQL;
    if (name.compare(u"mysql", Qt::CaseInsensitive) == 0)
        return Dialect::MySQL;
    return std::nullopt;
}

QString dialectName(Dialect dialect)
{
    switch (dialect) {
    case Dialect::SQLite: return QStringLiteral("sqlite");
    case Dialect::PostgreSQL: return QStringLiteral("postgresql");
    case Dialect::MySQL: return QStringLiteral("mysql");
    }
    return {};
}

QString dialectTitle(Dialect dialect)
{
    switch (dialect) {
    case Dialect::SQLite: return QStringLiteral("SQLite");
    case Dialect::PostgreSQL: return QStringLiteral("PostgreSQL");
    case Dialect::MySQL: return QStringLiteral("MariaDB/MySQL");
    }
    return {};
}

Script writeScript(const schema::Database &db, const QStringList &tables, const ScriptOptions &options)
{
    Q_UNUSED(db);
    Q_UNUSED(tables);
    Script script;
    script.text = QStringLiteral("-- %1 script (not yet written)\n").arg(dialectTitle(options.dialect));
    return script;
}

}  // namespace tabulo::sql
