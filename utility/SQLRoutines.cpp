#include "utility/SQLRoutines.h"

#include "utility/BasicError.h"
#include "utility/TextHelper.h"
#include "utility/basPublicNotCreateableFunctions.h"

namespace pembry {

using namespace Qt::StringLiterals;

namespace {

const QString kSource = QStringLiteral("Pembry31.SQLRoutines");

// Basic's InStr with text comparison: 1-based position of what in text from
// position start (1-based), 0 when absent.
qsizetype inStr(const QString &text, qsizetype start, const QString &what)
{
    return text.indexOf(what, start - 1, Qt::CaseInsensitive) + 1;
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

}  // namespace

SQLRoutines::Record &SQLRoutines::record(const Variant &number)
{
    const qint64 n = number.toInteger();
    if (n < 1 || n > MaxStatements)
        raiseError(err::SubscriptOutOfRange, kSource);
    return m_records[std::size_t(n - 1)];
}

const SQLRoutines::Record &SQLRoutines::record(const Variant &number) const
{
    return const_cast<SQLRoutines *>(this)->record(number);
}

qint16 SQLRoutines::SQLParse(QString &strSQL)
{
    Variant text(strSQL);
    const qint16 result = SQLParse(text);
    strSQL = text.toString();
    return result;
}

qint16 SQLRoutines::SQLParse(Variant &strSQL)
{
    QString text = strSQL.toString();
    const qsizetype length = text.size();
    if (length == 0)
        throw BasicError(32000, QString(), QStringLiteral("Empty string passed to SQLParse routine"));

    const TextHelper helper;
    text = helper.ReplaceText(text, QStringLiteral("\r\n"), QStringLiteral(" "));
    strSQL = text;

    m_count = 0;
    // Positions are 1-based, as the statement boundaries are described.
    qsizetype begin = 1;
    while (begin != length) {
        ++m_count;
        const qsizetype select = inStr(text, begin + 7, QStringLiteral(" SELECT "));
        qsizetype end = length;
        QString statement;
        if (select != 0) {
            // A UNION right before the SELECT belongs to the next statement;
            // the UNION that opens this statement itself does not end it.
            const qsizetype unionAt = inStr(text, qMax<qsizetype>(select - 8, 1), QStringLiteral(" UNION "));
            end = unionAt > begin && unionAt < select ? unionAt : select;
            statement = text.mid(begin - 1, end - begin);
        } else {
            statement = text.mid(begin - 1);
        }

        while (statement.endsWith(u'\r') || statement.endsWith(u'\n'))
            statement.chop(1);
        statement = helper.ReplaceText(statement, QStringLiteral(";"), QString());

        Record cut;
        const std::pair<Clause, QString> keywords[] = {
            {Pivot_, QStringLiteral(" PIVOT ")},    {OrderBy_, QStringLiteral(" ORDER BY ")},
            {Having_, QStringLiteral(" HAVING ")},  {GroupBy_, QStringLiteral(" GROUP BY ")},
            {Where_, QStringLiteral(" WHERE ")},    {From_, QStringLiteral(" FROM ")},
        };
        qsizetype clauseEnd = statement.size() + 1;
        for (const auto &[clause, keyword] : keywords) {
            const qsizetype at = inStr(statement, 1, keyword);
            if (at == 0)
                continue;
            if (clauseEnd - at < 0)   // keywords out of the assumed order
                raiseError(err::InvalidCall, kSource);
            cut[clause] = basicTrim(QStringView(statement).mid(at - 1, clauseEnd - at));
            clauseEnd = at;
        }
        cut[Select] = basicTrim(QStringView(statement).left(clauseEnd));
        record(Variant(int(m_count))) = cut;
        begin = end;
    }
    return 0;
}

Variant SQLRoutines::SQLAppend()
{
    m_sql.clear();
    for (int i = 1; i <= m_count; ++i) {
        const Record &r = record(Variant(i));
        if (m_sql.size() > 1)
            m_sql = basicTrim(m_sql) + u' ' + r[Select];
        else
            m_sql = r[Select];
        for (int c = From_; c < ClauseCount; ++c)
            m_sql = basicTrim(m_sql) + u' ' + r[c];
    }
    return Variant();
}

QString SQLRoutines::clause(Clause c, const Variant &number) const
{
    return record(number)[c];
}

QString SQLRoutines::Where(const Variant &n) const { return clause(Where_, n); }
QString SQLRoutines::From(const Variant &n) const { return clause(From_, n); }
QString SQLRoutines::OrderBy(const Variant &n) const { return clause(OrderBy_, n); }
QString SQLRoutines::GroupBy(const Variant &n) const { return clause(GroupBy_, n); }
QString SQLRoutines::Having(const Variant &n) const { return clause(Having_, n); }
QString SQLRoutines::SelectSQL(const Variant &n) const { return clause(Select, n); }
QString SQLRoutines::Pivot(const Variant &n) const { return clause(Pivot_, n); }

void SQLRoutines::setClause(Clause c, const QString &prefix, const QString &text, const Variant &number)
{
    Record &r = record(number);
    QString value = text;
    const QStringView keyword = QStringView(prefix).chopped(1);
    if (!value.isEmpty() && QStringView(value).left(keyword.size()).compare(keyword, Qt::CaseInsensitive) != 0)
        value.prepend(prefix);
    r[c] = value;
    const qint64 n = number.toInteger();
    if (m_count < n)
        m_count = qint16(n);
}

void SQLRoutines::setWhere(const Variant &v, const Variant &n) { setClause(Where_, u"WHERE "_s, basicTrim(v.toString()), n); }
void SQLRoutines::setFrom(const Variant &v, const Variant &n) { setClause(From_, u"From "_s, v.toString(), n); }
void SQLRoutines::setOrderBy(const Variant &v, const Variant &n) { setClause(OrderBy_, u"Order By "_s, v.toString(), n); }
void SQLRoutines::setGroupBy(const Variant &v, const Variant &n) { setClause(GroupBy_, u"Group By "_s, v.toString(), n); }
void SQLRoutines::setHaving(const Variant &v, const Variant &n) { setClause(Having_, u"Having "_s, v.toString(), n); }
void SQLRoutines::setSelectSQL(const Variant &v, const Variant &n) { setClause(Select, u"Select "_s, v.toString(), n); }
void SQLRoutines::setPivot(const Variant &v, const Variant &n) { setClause(Pivot_, u"Pivot "_s, v.toString(), n); }

void SQLRoutines::setSQL(const Variant &value)
{
    m_sql = value.isNull() ? QString() : value.toString();
}

Variant SQLRoutines::Clear()
{
    for (Record &r : m_records)
        r.fill(QString());
    m_count = 0;
    return Variant();
}

void SQLRoutines::WhereAppend(const QString &strAdditionalWhere, const Variant &intSelectNumber)
{
    QString addition = basicTrim(strAdditionalWhere);
    // Only the word AND is dropped, not the start of a name like "Anderson".
    if (QStringView(addition).left(3).compare(QLatin1String("AND"), Qt::CaseInsensitive) == 0
        && (addition.size() == 3 || !isWordCharacter(addition[3])))
        addition = basicTrim(QStringView(addition).mid(3));
    Record &r = record(intSelectNumber);
    if (r[Where_].isEmpty())
        r[Where_] = QStringLiteral(" WHERE ") + addition;
    else if (!addition.isEmpty())
        r[Where_] = basicTrim(r[Where_]) + QStringLiteral(" AND ") + addition;
}

}  // namespace pembry
