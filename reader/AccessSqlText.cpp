#include "reader/AccessSqlText.h"

#include <QSet>

namespace reader {

bool isReservedWord(const QString &word)
{
    // Words of Access SQL that a name must be bracketed to be read as a name.
    static const QSet<QString> words = {
        "ADD",      "ALL",        "ALTER",    "AND",       "ANY",         "AS",       "ASC",
        "AUTOINCREMENT", "AVG",   "BETWEEN",  "BINARY",    "BIT",         "BOOLEAN",  "BY",
        "BYTE",     "CHAR",       "CHARACTER", "COLUMN",   "CONSTRAINT",  "COUNT",    "COUNTER",
        "CREATE",   "CURRENCY",   "DATABASE", "DATE",      "DATETIME",    "DELETE",   "DESC",
        "DISALLOW", "DISTINCT",   "DISTINCTROW", "DOUBLE", "DROP",        "EXISTS",   "FIRST",
        "FLOAT",    "FOREIGN",    "FROM",     "FULL",      "GROUP",       "GUID",     "HAVING",
        "HOUR",     "IN",         "INDEX",    "INNER",     "INSERT",      "INT",      "INTEGER",
        "INTO",     "IS",         "JOIN",     "KEY",       "LAST",        "LEFT",     "LEVEL",
        "LIKE",     "LONG",       "LONGBINARY", "LONGTEXT", "MAX",        "MEMO",     "MIN",
        "MINUTE",   "MOD",        "MONEY",    "MONTH",     "NOT",         "NULL",     "NUMBER",
        "NUMERIC",  "ON",         "OPTION",   "OR",        "ORDER",       "OUTER",    "OWNERACCESS",
        "PARAMETERS", "PERCENT",  "PIVOT",    "PRIMARY",   "PROCEDURE",   "REAL",     "REFERENCES",
        "RIGHT",    "SECOND",     "SELECT",   "SET",       "SHORT",       "SINGLE",   "SMALLINT",
        "SOME",     "STDEV",      "SUM",      "TABLE",     "TEXT",        "TIME",     "TIMESTAMP",
        "TOP",      "TRANSFORM",  "UNION",    "UNIQUE",    "UPDATE",      "VALUE",    "VALUES",
        "VAR",      "VARCHAR",    "WHERE",    "WITH",      "YEAR",        "YESNO"};
    return words.contains(word.toUpper());
}

namespace {

bool isPlainWord(const QString &name)
{
    if (name.isEmpty() || !name.front().isLetter())
        return false;
    for (QChar c : name) {
        if (!c.isLetterOrNumber() && c != u'_')
            return false;
    }
    return true;
}

}  // namespace

bool isBracketed(const QString &name)
{
    return name.size() >= 2 && name.front() == u'[' && name.back() == u']' && name.indexOf(u']') == name.size() - 1;
}

QStringList nameParts(const QString &name, QChar separator)
{
    QStringList parts;
    QString part;
    bool inBrackets = false;
    for (QChar c : name) {
        if (c == u'[')
            inBrackets = true;
        else if (c == u']')
            inBrackets = false;
        if (c == separator && !inBrackets) {
            parts.append(part);
            part.clear();
        } else {
            part.append(c);
        }
    }
    parts.append(part);
    return parts;
}

QString withoutBrackets(const QString &part)
{
    return isBracketed(part) ? part.mid(1, part.size() - 2) : part;
}

QString sqlQualifiedName(const QString &name)
{
    QStringList parts = nameParts(name, u'.');
    for (QString &part : parts)
        part = isBracketed(part) ? part : sqlName(part);
    return parts.join(u'.');
}

QString quotedLiteral(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}


QString sqlName(const QString &name)
{
    if (isPlainWord(name) && !isReservedWord(name))
        return name;
    return u'[' + name + u']';
}

QStringList namesInFromClauses(const QString &sql)
{
    static const QSet<QString> listEnds = {"WHERE", "GROUP", "ORDER", "HAVING", "UNION", "SELECT",
                                           "PIVOT", "INNER", "LEFT",  "RIGHT",  "ON",    "IN"};
    QStringList names;
    bool inFromList = false, nameExpected = false;
    for (qsizetype i = 0; i < sql.size();) {
        const QChar c = sql[i];
        if (c == u'"' || c == u'\'') {   // a literal: skipped whole
            const qsizetype end = sql.indexOf(c, i + 1);
            i = end < 0 ? sql.size() : end + 1;
            nameExpected = false;
            continue;
        }
        if (c == u'[' || c.isLetter() || c == u'_') {
            qsizetype end = i;
            if (c == u'[') {
                end = sql.indexOf(u']', i);
                end = end < 0 ? sql.size() : end + 1;
            } else {
                while (end < sql.size() && (sql[end].isLetterOrNumber() || sql[end] == u'_'))
                    ++end;
            }
            const QString word = sql.mid(i, end - i);
            const QString upper = word.toUpper();
            if (nameExpected && !isReservedWord(word)) {
                if (const QString name = withoutBrackets(word); !names.contains(name, Qt::CaseInsensitive))
                    names.append(name);
                nameExpected = false;
            } else if (upper == u"FROM" || upper == u"JOIN") {
                nameExpected = true;
                inFromList = upper == u"FROM";
            } else if (listEnds.contains(upper)) {
                inFromList = false;
                nameExpected = false;
            }
            i = end;
            continue;
        }
        if (c == u',' && inFromList)
            nameExpected = true;
        else if (c == u';')
            inFromList = nameExpected = false;
        else if (!c.isSpace() && c != u'(')
            nameExpected = false;
        ++i;
    }
    return names;
}

}  // namespace reader
