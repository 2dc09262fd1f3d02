#include "utility/BasicError.h"

#include <QHash>

namespace pembry {

BasicError::BasicError(int number, QString source, QString description,
                       QString helpFile, int helpContext)
    : m_number(number),
      m_source(std::move(source)),
      m_description(std::move(description)),
      m_helpFile(std::move(helpFile)),
      m_helpContext(helpContext),
      m_what(QStringLiteral("error %1: %2").arg(number).arg(m_description).toStdString())
{
}

BasicError BasicError::withSource(const QString &source) const
{
    return BasicError(m_number, source, m_description, m_helpFile, m_helpContext);
}

QString standardErrorText(int number)
{
    static const QHash<int, QString> texts = {
        {3, QStringLiteral("Return without GoSub")},
        {5, QStringLiteral("Invalid procedure call or argument")},
        {6, QStringLiteral("Overflow")},
        {7, QStringLiteral("Out of memory")},
        {9, QStringLiteral("Subscript out of range")},
        {11, QStringLiteral("Division by zero")},
        {13, QStringLiteral("Type mismatch")},
        {31, QStringLiteral("Application-defined or object-defined error")},
        {52, QStringLiteral("Bad file name or number")},
        {53, QStringLiteral("File not found")},
        {55, QStringLiteral("File already open")},
        {57, QStringLiteral("Device I/O error")},
        {58, QStringLiteral("File already exists")},
        {61, QStringLiteral("Disk full")},
        {62, QStringLiteral("Input past end of file")},
        {68, QStringLiteral("Device unavailable")},
        {70, QStringLiteral("Permission denied")},
        {75, QStringLiteral("Path/File access error")},
        {76, QStringLiteral("Path not found")},
        {91, QStringLiteral("Object variable or With block variable not set")},
        {94, QStringLiteral("Invalid use of Null")},
        {380, QStringLiteral("Invalid property value")},
        {424, QStringLiteral("Object required")},
        {429, QStringLiteral("ActiveX component can't create object")},
        {438, QStringLiteral("Object doesn't support this property or method")},
        {457, QStringLiteral("This key is already associated with an element of this collection")},
    };
    return texts.value(number, QStringLiteral("Application-defined or object-defined error"));
}

void raiseError(int number, const QString &source, const QString &description)
{
    throw BasicError(number, source, description.isEmpty() ? standardErrorText(number) : description);
}

}  // namespace pembry
