#pragma once
// Cuts an SQL SELECT text (Jet dialect, with UNION and crosstab PIVOT) into
// its clauses, lets a client read or replace each clause, and joins them back:
//
//   SQLRoutines sql;
//   Variant text = QStringLiteral("SELECT a FROM t ORDER BY a");
//   sql.SQLParse(text);
//   sql.WhereAppend(QStringLiteral("a > 1"));
//   sql.SQLAppend();
//   sql.SQL();   // "SELECT a FROM t  WHERE a > 1 ORDER BY a "
//
// There is no grammar: keywords are found case-insensitively with a blank on
// both sides, and the clauses of a statement are taken to stand in the order
// SELECT, FROM, WHERE, GROUP BY, HAVING, ORDER BY, PIVOT. A text holds at
// most 10 statements (the first SELECT and each one after a UNION or a
// further SELECT); statement numbers outside 1..10 raise error 9.

#include "utility/Variant.h"

#include <QString>
#include <array>

namespace pembry {

class SQLRoutines {
public:
    static constexpr int MaxStatements = 10;

    // Joins the clauses of statements 1..count into SQL (each clause after
    // one blank; the text ends with a blank when the last Pivot is empty).
    Variant SQLAppend();
    // Cuts the text into statements and clauses. The caller's text gets its
    // CR LF pairs replaced by blanks. An empty text raises error 32000; an
    // 11th statement error 9; keywords out of order error 5. Returns 0.
    qint16 SQLParse(Variant &strSQL);
    qint16 SQLParse(QString &strSQL);

    // The stored clause of a statement (default 1), keyword included.
    QString Where(const Variant &intSelectNumber = 1) const;
    QString From(const Variant &intSelectNumber = 1) const;
    QString OrderBy(const Variant &intSelectNumber = 1) const;
    QString GroupBy(const Variant &intSelectNumber = 1) const;
    QString Having(const Variant &intSelectNumber = 1) const;
    QString SelectSQL(const Variant &intSelectNumber = 1) const;
    QString Pivot(const Variant &intSelectNumber = 1) const;

    // Stores a clause, putting the keyword in front when the value does not
    // start with it («b > 2» becomes «WHERE b > 2»), and raises the statement
    // count to the statement's number. Where trims the value first.
    void setWhere(const Variant &value, const Variant &intSelectNumber = 1);
    void setFrom(const Variant &value, const Variant &intSelectNumber = 1);
    void setOrderBy(const Variant &value, const Variant &intSelectNumber = 1);
    void setGroupBy(const Variant &value, const Variant &intSelectNumber = 1);
    void setHaving(const Variant &value, const Variant &intSelectNumber = 1);
    void setSelectSQL(const Variant &value, const Variant &intSelectNumber = 1);
    void setPivot(const Variant &value, const Variant &intSelectNumber = 1);

    // The joined text of the last SQLAppend, or what was assigned.
    QString SQL() const { return m_sql; }
    void setSQL(const Variant &value);   // Null becomes ""

    // Empties every clause and the statement count; SQL stays.
    Variant Clear();

    // Adds a condition to a statement's WHERE clause with " AND ", or makes
    // it the clause (" WHERE " + condition) when there is none. A leading
    // word AND of the condition is dropped.
    void WhereAppend(const QString &strAdditionalWhere, const Variant &intSelectNumber = 1);

    // How many statements are held.
    qint16 StatementCount() const { return m_count; }

private:
    enum Clause { Select, From_, Where_, GroupBy_, Having_, OrderBy_, Pivot_, ClauseCount };
    using Record = std::array<QString, ClauseCount>;

    Record &record(const Variant &number);
    const Record &record(const Variant &number) const;
    QString clause(Clause c, const Variant &number) const;
    // Stores `text` as clause c, with `prefix` ("WHERE ", "From " ...) in
    // front unless it starts with the keyword already.
    void setClause(Clause c, const QString &prefix, const QString &text, const Variant &number);

    qint16 m_count = 0;
    std::array<Record, MaxStatements> m_records{};
    QString m_sql;
};

}  // namespace pembry
