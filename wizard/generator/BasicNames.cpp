#include "wizard/generator/BasicNames.h"

#include "wizard/generator/GeneratorSettings.h"
#include "wizard/generator/Windows1252.h"

#include <algorithm>

namespace tabulo {
namespace {

constexpr qsizetype kMaxIdentifierLength = 255;

// Statements, declarations, types and operators of Basic.
const QSet<QString> &keywords()
{
    static const QSet<QString> words = [] {
        const char *list[] = {
            "addressof", "and", "any", "as", "attribute", "boolean", "byref", "byte", "byval",
            "call", "case", "cbool", "cbyte", "ccur", "cdate", "cdbl", "cdec", "cdecl", "cint",
            "clng", "clnglng", "clngptr", "close", "const", "csng", "cstr", "currency", "cvar",
            "cverr", "date", "debug", "decimal", "declare", "defbool", "defbyte", "defcur",
            "defdate", "defdbl", "defdec", "defint", "deflng", "deflnglng", "deflngptr",
            "defobj", "defsng", "defstr", "defvar", "dim", "do", "double", "each", "else",
            "elseif", "empty", "end", "endif", "enum", "eqv", "erase", "error", "event", "exit",
            "false", "for", "friend", "function", "get", "global", "gosub", "goto", "if",
            "imp", "implements", "in", "input", "integer", "is", "kill", "lbound", "len",
            "lenb", "let", "like", "line", "lock", "long", "longlong", "longptr", "loop",
            "lset", "me", "mid", "midb", "mod", "name", "new", "next", "not", "nothing",
            "null", "object", "on", "open", "option", "optional", "or", "paramarray",
            "preserve", "print", "private", "property", "ptrsafe", "public", "put",
            "raiseevent", "redim", "rem", "resume", "return", "rset", "seek", "select", "set",
            "single", "spc", "static", "stop", "string", "sub", "tab", "then", "to", "true",
            "type", "typeof", "ubound", "unlock", "until", "variant", "wend", "while",
            "width", "with", "withevents", "write", "xor"};
        QSet<QString> set;
        for (const char *w : list)
            set.insert(QString::fromLatin1(w));
        return set;
    }();
    return words;
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool fitsIdentifier(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return isAsciiLetter(u) || isAsciiDigit(u) || u == u'_';
    return c.isLetter() && fitsWindows1252(u);
}

}  // namespace

const QStringList &moduleNames()
{
    static const QStringList names = QStringList{
        "CreateNewDatabase", "ExitProcedure", "ErrorHandler", "MsgBox", "Err", "Chr", "ChrW",
        "vbCrLf", "CurrentDb", "DBEngine", "Database", "TableDef", "Field", "Index", "Relation",
        "Workspace", "dbEncrypt", "dbLangGeneral", "dbBoolean",
        "dbByte", "dbInteger", "dbLong", "dbCurrency", "dbSingle", "dbDouble", "dbDate",
        "dbBinary", "dbText", "dbLongBinary", "dbMemo", "dbGUID", "dbBigInt", "dbVarBinary",
        "dbChar", "dbNumeric", "dbDecimal", "dbFloat", "dbTime", "dbTimeStamp",
        "dbAutoIncrField", "dbDescending", "dbFixedField", "dbHyperlinkField", "dbSystemField",
        "dbUpdatableField", "dbVariableField", "dbRelationUnique", "dbRelationDontEnforce",
        "dbRelationInherited", "dbRelationUpdateCascade", "dbRelationDeleteCascade"} + [] {
        QStringList versions;
        for (const JetVersion &version : kJetVersions)
            versions.append(version.constant.toString());
        return versions;
    }();
    return names;
}

const QStringList &designPropertyNames()
{
    static const QStringList names = {QStringLiteral("SetDesignProperty")};
    return names;
}

bool isModuleName(QStringView name, bool withDesignProperties)
{
    static const QSet<QString> folded = [] {
        QSet<QString> set;
        for (const QString &n : moduleNames())
            set.insert(n.toLower());
        return set;
    }();
    const QString key = name.toString().toLower();
    if (folded.contains(key))
        return true;
    return withDesignProperties
           && std::any_of(designPropertyNames().begin(), designPropertyNames().end(),
                          [&key](const QString &n) { return n.toLower() == key; });
}

bool isBasicKeyword(QStringView word)
{
    return keywords().contains(word.toString().toLower());
}

QString basicIdentifier(QStringView text)
{
    QString name;
    name.reserve(text.size());
    for (QChar c : text)
        name += fitsIdentifier(c) ? c : QChar(u'_');
    if (name.isEmpty() || !(isAsciiLetter(name.front().unicode()) || name.front().isLetter())
        || isBasicKeyword(name))
        name.prepend(QLatin1StringView("Proc_"));
    name.truncate(kMaxIdentifierLength);
    return name;
}

QString ProcedureNames::key(const QString &name)
{
    return name.toLower();
}

void ProcedureNames::reserve(const QString &name)
{
    m_taken.insert(key(name));
}

bool ProcedureNames::isTaken(const QString &name) const
{
    return m_taken.contains(key(name));
}

QString ProcedureNames::claim(const QString &identifier)
{
    const QString base = key(identifier);
    if (!m_taken.contains(base)) {
        m_taken.insert(base);
        return identifier;
    }
    // Numbers already tried for this base are skipped, so that many tables
    // with one name cost linear time.
    int &next = m_nextSuffix[base];
    if (next < 2)
        next = 2;
    for (;; ++next) {
        const QString suffix = QLatin1Char('_') + QString::number(next);
        const QString candidate = identifier.left(kMaxIdentifierLength - suffix.size()) + suffix;
        if (!m_taken.contains(key(candidate))) {
            m_taken.insert(key(candidate));
            ++next;
            return candidate;
        }
    }
}

}  // namespace tabulo
