#include "wizard/generator/BasicNames.h"

#include "wizard/generator/Windows1252.h"

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

using namespace Qt::Literals::StringLiterals;

constexpr ModuleName kModuleNames[] = {
    // The module's own names.
    {"CreateNewDatabase"_L1, EveryProcedure},
    {"SetDesignProperty"_L1, EveryProcedure, WithDesignProperties},
    {"ExecuteJetSql"_L1, EveryProcedure},
    {"ExitProcedure"_L1, EveryProcedure},
    {"ErrorHandler"_L1, EveryProcedure},
    // Built-in functions, objects and types.
    {"MsgBox"_L1, EveryProcedure}, {"Err"_L1, EveryProcedure}, {"Chr"_L1, EveryProcedure},
    {"ChrW"_L1, EveryProcedure}, {"vbCrLf"_L1, EveryProcedure}, {"CurrentDb"_L1, EveryProcedure},
    {"DBEngine"_L1, EveryProcedure}, {"Database"_L1, EveryProcedure}, {"TableDef"_L1, EveryProcedure},
    {"Field"_L1, EveryProcedure}, {"Index"_L1, EveryProcedure}, {"Relation"_L1, EveryProcedure},
    {"Workspace"_L1, EveryProcedure},
    // What the Queries procedure calls: DAO's query type, and Access, which
    // hides a query in the database it has open.
    {"QueryDef"_L1, EveryProcedure, WithQueries}, {"Application"_L1, EveryProcedure, WithQueries},
    {"acQuery"_L1, EveryProcedure, WithQueries},
    // What the helper of a Decimal's precision and scale calls (late-bound
    // ADO), and the wrapper's run-time login kept for it in the module.
    {"CreateObject"_L1, EveryProcedure}, {"CurrentProject"_L1, EveryProcedure},
    {"mstrMDWPath"_L1, EveryProcedure}, {"mstrUserName"_L1, EveryProcedure},
    {"mstrPassword"_L1, EveryProcedure}, {"mstrDatabasePwd"_L1, EveryProcedure},
    // DAO constants: options, languages, engine formats, types, attributes.
    {"dbEncrypt"_L1, EveryProcedure}, {"dbLangGeneral"_L1, EveryProcedure},
    {"dbVersion10"_L1, EveryProcedure}, {"dbVersion11"_L1, EveryProcedure},
    {"dbVersion20"_L1, EveryProcedure}, {"dbVersion30"_L1, EveryProcedure},
    {"dbVersion40"_L1, EveryProcedure}, {"dbVersion120"_L1, EveryProcedure},
    {"dbBoolean"_L1, EveryProcedure}, {"dbByte"_L1, EveryProcedure}, {"dbInteger"_L1, EveryProcedure},
    {"dbLong"_L1, EveryProcedure}, {"dbCurrency"_L1, EveryProcedure}, {"dbSingle"_L1, EveryProcedure},
    {"dbDouble"_L1, EveryProcedure}, {"dbDate"_L1, EveryProcedure}, {"dbBinary"_L1, EveryProcedure},
    {"dbText"_L1, EveryProcedure}, {"dbLongBinary"_L1, EveryProcedure}, {"dbMemo"_L1, EveryProcedure},
    {"dbGUID"_L1, EveryProcedure}, {"dbBigInt"_L1, EveryProcedure}, {"dbVarBinary"_L1, EveryProcedure},
    {"dbChar"_L1, EveryProcedure}, {"dbNumeric"_L1, EveryProcedure}, {"dbDecimal"_L1, EveryProcedure},
    {"dbFloat"_L1, EveryProcedure}, {"dbTime"_L1, EveryProcedure}, {"dbTimeStamp"_L1, EveryProcedure},
    {"dbDateTimeExtended"_L1, EveryProcedure}, {"dbAttachment"_L1, EveryProcedure},
    {"dbComplexByte"_L1, EveryProcedure}, {"dbComplexInteger"_L1, EveryProcedure},
    {"dbComplexLong"_L1, EveryProcedure}, {"dbComplexSingle"_L1, EveryProcedure},
    {"dbComplexDouble"_L1, EveryProcedure}, {"dbComplexGUID"_L1, EveryProcedure},
    {"dbComplexDecimal"_L1, EveryProcedure}, {"dbComplexText"_L1, EveryProcedure},
    {"dbAutoIncrField"_L1, EveryProcedure}, {"dbDescending"_L1, EveryProcedure},
    {"dbFixedField"_L1, EveryProcedure}, {"dbHyperlinkField"_L1, EveryProcedure},
    {"dbSystemField"_L1, EveryProcedure}, {"dbUpdatableField"_L1, EveryProcedure},
    {"dbVariableField"_L1, EveryProcedure}, {"dbRelationUnique"_L1, EveryProcedure},
    {"dbRelationDontEnforce"_L1, EveryProcedure}, {"dbRelationInherited"_L1, EveryProcedure},
    {"dbRelationUpdateCascade"_L1, EveryProcedure}, {"dbRelationDeleteCascade"_L1, EveryProcedure},
    // The wrapper's workspace, and its parameters or the variables that
    // hold long settings.
    {"ws"_L1, WrapperProcedure},
    {"strNewDBPath"_L1, WrapperProcedure},
    {"strMDWPath"_L1, WrapperProcedure},
    {"strUserName"_L1, WrapperProcedure},
    {"strPassword"_L1, WrapperProcedure},
    {"strDatabasePwd"_L1, WrapperProcedure},
    // The quote constant of stored expressions, and the variable a long
    // design property value is assembled in.
    {"mcstrQuote"_L1, TableProcedures},
    {"strPropertyValue"_L1, TableProcedures, WithDesignProperties},
    // The table variable of the Indexes procedure.
    {"tdf"_L1, IndexesProcedure},
    // The variable a long query text is assembled in.
    {"strSQL"_L1, QueriesProcedure, WithQueries},
};

}  // namespace

std::span<const ModuleName> moduleNames()
{
    return kModuleNames;
}

bool isModuleName(QStringView name, quint8 procedures, quint8 moduleOptions)
{
    static const QHash<QString, const ModuleName *> folded = [] {
        QHash<QString, const ModuleName *> byName;
        for (const ModuleName &known : kModuleNames)
            byName.insert(known.name.toString().toLower(), &known);
        return byName;
    }();
    const ModuleName *known = folded.value(name.toString().toLower());
    return known && (known->procedures & procedures) && known->isIn(moduleOptions);
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
