#include "wizard/generator/sql/SqlDialect.h"

#include "wizard/engine/Dao.h"

namespace tabulo::sql {

namespace {

using L = QLatin1StringView;

constexpr DialectRules kRules[] = {
    {Dialect::SQLite, L("SQLite"), u'"', u'"', 0, false, true, true, true, DialectRules::Comments::Lines, true,
     L("LIKE"), L("")},
    {Dialect::PostgreSQL, L("PostgreSQL"), u'"', u'"', 63, true, true, false, true,
     DialectRules::Comments::Statements, true, L("ILIKE"), L("")},
    {Dialect::MySQL, L("MariaDB/MySQL"), u'`', u'`', 64, false, false, false, false, DialectRules::Comments::Clauses,
     false, L("LIKE"), L(" ENGINE=InnoDB DEFAULT CHARSET=utf8mb4")},
};

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

QString hexEscape(QChar c)
{
    return QStringLiteral("\\x") + QString::number(c.unicode(), 16).rightJustified(2, u'0');
}

// 'text' with quotes doubled, for the dialects whose literals hold any
// character as it is.
QString plainLiteral(QStringView text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'\'';
    for (QChar c : text) {
        if (c == u'\'')
            out += u'\'';
        out += c;
    }
    out += u'\'';
    return out;
}

// A literal of a dialect that reads backslash escapes: quotes doubled,
// backslashes and line ends escaped, every other character handed to
// `other`.
template <typename Other>
QString escapedLiteral(QStringView text, QLatin1StringView opening, Other other)
{
    QString out = opening;
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\'': out += QLatin1String("''"); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default: other(out, c);
        }
    }
    return out + u'\'';
}

QString postgresLiteral(QStringView text)
{
    if (std::none_of(text.begin(), text.end(), isControl))
        return plainLiteral(text);
    // An escape string, so that a line break stays inside the literal.
    return escapedLiteral(text, QLatin1StringView("E'"),
                          [](QString &out, QChar c) { out += isControl(c) ? hexEscape(c) : QString(c); });
}

// MySQL reads backslash escapes in every string literal.
QString mysqlLiteral(QStringView text)
{
    return escapedLiteral(text, QLatin1StringView("'"), [](QString &out, QChar c) {
        if (c.unicode() == 0)
            out += QLatin1String("\\0");
        else if (c.unicode() == 0x1a)
            out += QLatin1String("\\Z");
        else
            out += c;
    });
}

// SQLite has no escapes: a control character is joined in with char().
QString sqliteLiteral(QStringView text)
{
    if (std::none_of(text.begin(), text.end(), isControl))
        return plainLiteral(text);
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isControl(text[i]))
            continue;
        if (i > start)
            parts.append(plainLiteral(text.mid(start, i - start)));
        if (i < text.size())
            parts.append(QStringLiteral("char(%1)").arg(text[i].unicode()));
        start = i + 1;
    }
    return u'(' + parts.join(QLatin1String(" || ")) + u')';
}

QString sized(const char *name, qint32 size)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(size);
}

// A Decimal's precision and scale; DAO's own defaults when unknown.
std::pair<int, int> decimalDigits(const schema::Field &field)
{
    const int precision = field.precision > 0 ? field.precision : 18;
    return {precision, qBound(0, field.scale, precision)};
}

QString numericType(const DialectRules &rules, int precision, int scale)
{
    return QStringLiteral("%1(%2,%3)")
        .arg(rules.dialect == Dialect::MySQL ? QLatin1String("decimal") : QLatin1String("numeric"))
        .arg(precision)
        .arg(scale);
}

// The text length of a Text field; DAO's default for a size of 0.
qint32 textLength(const schema::Field &field)
{
    return field.size > 0 ? field.size : 255;
}

// Bytes of a MySQL decimal(p,s): nine digits in four bytes, the rest in
// what they need, for each side of the point.
int decimalBytes(int precision, int scale)
{
    static constexpr int leftover[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 4};
    const auto side = [](int digits) { return digits / 9 * 4 + leftover[digits % 9]; };
    return side(precision - scale) + side(scale);
}

}  // namespace

const DialectRules &rulesOf(Dialect dialect)
{
    return kRules[int(dialect)];
}

QString quotedName(const DialectRules &rules, QStringView name)
{
    QString out;
    out.reserve(name.size() + 2);
    out += rules.openQuote;
    for (QChar c : name) {
        if (c == rules.closeQuote)
            out += c;
        out += c;
    }
    out += rules.closeQuote;
    return out;
}

QString stringLiteral(const DialectRules &rules, QStringView text)
{
    switch (rules.dialect) {
    case Dialect::PostgreSQL: return postgresLiteral(text);
    case Dialect::MySQL: return mysqlLiteral(text);
    case Dialect::SQLite: return sqliteLiteral(text);
    }
    return plainLiteral(text);
}

QString columnType(const DialectRules &rules, const schema::Field &field)
{
    const bool pg = rules.dialect == Dialect::PostgreSQL;
    const bool my = rules.dialect == Dialect::MySQL;
    switch (field.type) {
    case dao::dbBoolean: return my ? QStringLiteral("tinyint(1)") : QStringLiteral("boolean");
    case dao::dbByte: return my ? QStringLiteral("tinyint unsigned") : QStringLiteral("smallint");
    case dao::dbInteger: return QStringLiteral("smallint");
    case dao::dbLong: return my ? QStringLiteral("int") : QStringLiteral("integer");
    case dao::dbBigInt: return QStringLiteral("bigint");
    case dao::dbCurrency: return numericType(rules, 19, 4);
    case dao::dbDecimal:
    case dao::dbNumeric: {
        // A calculated Decimal has no digits of its own: it keeps what
        // its expression gives.
        if (field.precision == 0 && !field.expression.isEmpty())
            return my ? QStringLiteral("decimal(28,10)") : QStringLiteral("numeric");
        const auto [precision, scale] = decimalDigits(field);
        return numericType(rules, precision, scale);
    }
    case dao::dbSingle: return my ? QStringLiteral("float") : QStringLiteral("real");
    case dao::dbDouble:
    case dao::dbFloat: return my ? QStringLiteral("double") : QStringLiteral("double precision");
    case dao::dbDate:
    case dao::dbTimeStamp: return pg ? QStringLiteral("timestamp") : QStringLiteral("datetime");
    case dao::dbDateTimeExtended:
        return pg ? QStringLiteral("timestamp(6)") : my ? QStringLiteral("datetime(6)") : QStringLiteral("datetime");
    case dao::dbTime: return QStringLiteral("time");
    case dao::dbText: return sized("varchar", textLength(field));
    case dao::dbChar: return sized("char", textLength(field));
    case dao::dbMemo: return my ? QStringLiteral("longtext") : QStringLiteral("text");
    case dao::dbBinary:
    case dao::dbVarBinary:
        return pg ? QStringLiteral("bytea") : my ? sized("varbinary", field.size > 0 ? field.size : 255)
                                                 : QStringLiteral("blob");
    case dao::dbLongBinary: return pg ? QStringLiteral("bytea") : my ? QStringLiteral("longblob") : QStringLiteral("blob");
    case dao::dbGUID: return pg ? QStringLiteral("uuid") : QStringLiteral("char(38)");
    default: return {};
    }
}

RowBytes mysqlRowBytes(const schema::Field &field)
{
    // A value of up to 255 bytes is kept in the record with one length
    // byte; a longer one may move to pages of its own, leaving a pointer.
    // utf8mb4 takes up to four bytes a character.
    const auto variable = [](int bytes) {
        return RowBytes{bytes <= 255 ? bytes + 1 : 22, bytes + (bytes > 255 ? 2 : 1)};
    };
    const auto fixed = [](int bytes) { return RowBytes{bytes, bytes}; };
    switch (field.type) {
    case dao::dbBoolean:
    case dao::dbByte: return fixed(1);
    case dao::dbInteger: return fixed(2);
    case dao::dbLong:
    case dao::dbSingle: return fixed(4);
    case dao::dbBigInt:
    case dao::dbDouble:
    case dao::dbFloat:
    case dao::dbDateTimeExtended: return fixed(8);
    case dao::dbDate:
    case dao::dbTimeStamp:
    case dao::dbTime: return fixed(5);
    case dao::dbCurrency: return fixed(decimalBytes(19, 4));
    case dao::dbDecimal:
    case dao::dbNumeric: {
        const auto [precision, scale] = decimalDigits(field);
        return fixed(decimalBytes(precision, scale));
    }
    case dao::dbText:
    case dao::dbChar: return variable(4 * textLength(field));
    case dao::dbGUID: return variable(4 * 38);
    case dao::dbBinary:
    case dao::dbVarBinary: return variable(field.size > 0 ? field.size : 255);
    default: return RowBytes{21, 12};   // a long value: its pointer
    }
}

}  // namespace tabulo::sql
