#include "wizard/engine/EngineErrors.h"

#include "utility/BasicError.h"

#include <QHash>

namespace dao {

QString engineErrorText(int number, const QString &name)
{
    static const QHash<int, QString> texts = {
        {3024, QStringLiteral("Could not find file '|'.")},
        {3028, QStringLiteral("Can't start your application. The workgroup information file is "
                              "missing or opened exclusively by another user.")},
        {3029, QStringLiteral("Not a valid account name or password.")},
        {3030, QStringLiteral("'|' isn't a valid account name.")},
        {3031, QStringLiteral("Not a valid password.")},
        {3033, QStringLiteral("You do not have the necessary permissions to use the '|' object. "
                              "Have your system administrator or the person who created this "
                              "object establish the appropriate permissions for you.")},
        {3043, QStringLiteral("Disk or network error.")},
        {3051, QStringLiteral("The Microsoft Jet database engine cannot open the file '|'. It is "
                              "already opened exclusively by another user, or you need permission "
                              "to view its data.")},
        {3110, QStringLiteral("Could not read definitions; no read definitions permission for "
                              "table or query '|'.")},
        {3151, QStringLiteral("ODBC--connection to '|' failed.")},
        {3265, QStringLiteral("Item not found in this collection.")},
        {3343, QStringLiteral("Unrecognized database format '|'.")},
        {3420, QStringLiteral("Object invalid or no longer set.")},
        {3478, QStringLiteral("The database '|' isn't replicable.")},
    };
    QString text = texts.value(number);
    if (text.isEmpty())
        return pembry::standardErrorText(number);
    return text.replace(QLatin1Char('|'), name);
}

EngineError engineError(int number, const QString &description, const QString &source)
{
    EngineError e;
    e.Number = number;
    e.Description = description.isEmpty() ? engineErrorText(number) : description;
    e.Source = source;
    return e;
}

EngineError ErrorList::Item(int index) const
{
    if (index < 0 || index >= m_entries.size())
        throw pembry::BasicError(errors::ItemNotFound, QStringLiteral("DAO.Errors"),
                                 engineErrorText(errors::ItemNotFound));
    return m_entries.at(index);
}

void ErrorList::raise(const QList<EngineError> &entries)
{
    m_entries = entries;
    if (m_entries.isEmpty())
        m_entries.append(engineError(pembry::err::InvalidCall));
    const EngineError &top = m_entries.last();
    throw pembry::BasicError(top.Number, top.Source, top.Description, top.HelpFile, top.HelpContext);
}

}  // namespace dao
