#pragma once
// A saved query rebuilt from its rows in MSysQueries: its QueryDef type, its
// text in Access SQL as Access shows it (each clause on a line of its own,
// lines joined with CR LF, ending with ";"), the parameters it declares, the
// tables and queries it reads or writes, and a pass-through query's connect
// string. Works on the rows alone; the reader reads them from the file.
//
// Each row has an attribute code saying what it holds:
//   0 / 255  start and end marks          6  a column (expression, alias)
//   1  the type, and what a type names    7  a join (two tables, ON text)
//   2  a parameter (name, type, size)     8  WHERE
//   3  select flags (DISTINCT, TOP ...)   9  GROUP BY
//   4  the database of an IN-clause      10  HAVING
//   5  a table (name, alias)             11  ORDER BY

#include "wizard/engine/SchemaModel.h"

#include <cstdint>
#include <vector>

namespace reader {

// One row of MSysQueries.
struct QueryRow {
    int attribute = 0;
    int flag = 0;    // Flag; 0 when null
    long extra = 0;  // LvExtra: the size of a Text parameter
    QString name1, name2, expression;
    bool cut = false;  // the expression is longer than the reader takes
};

// What the rows of one query make.
struct QueryText {
    int type = 0;    // DAO QueryDef type (0 select, 16 crosstab, ... 128 union)
    QString sql;
    QList<schema::QueryParameter> parameters;
    QStringList sources;      // as schema::Query::sources
    QString connect;          // pass-through only
    bool returnsRecords = true;
    // Why the rows make no query (they are damaged); empty when they do.
    QString problem;
};

// Rebuilds one query from its rows, in stored order. `catalogueFlags` is
// its MSysObjects Flags, whose type bits stand in for a missing type row
// and mark a pass-through query that returns no records.
QueryText rebuildQuery(const std::vector<QueryRow> &rows, std::uint32_t catalogueFlags);

}  // namespace reader
