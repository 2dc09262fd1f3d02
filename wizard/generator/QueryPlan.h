#pragma once
// Which saved queries a module recreates, and in what order: a query is
// created after the queries it reads, since Jet checks a query's sources
// when it is created. A query that reads a table that is not chosen, or a
// query that is left out, is left out too. The engine's own queries behind
// forms and reports are never written.

#include "wizard/engine/SchemaModel.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tabulo {

struct QueryPlan {
    // A query the module does not create, and the first source that is
    // missing for it.
    struct LeftOut {
        const schema::Query *query = nullptr;
        QString source;
        bool sourceIsQuery = false;   // a query that is left out itself, else a table not chosen
    };

    QList<const schema::Query *> written;   // in the order the module creates them
    QList<LeftOut> leftOut;                 // in the file's order
    // The queries that read each other in a circle, in the file's order;
    // when there are any, `written` keeps the file's order.
    QStringList cycle;
};

// The plan for `queries` (in the file's order) when the module creates the
// tables `chosenTables`. A source that names no query of the
// file is taken for a table; the engine's own tables (MSys...) are in every
// new database and count as chosen. Names compare without letter case, as
// Jet compares them.
QueryPlan planQueries(const QList<schema::Query> &queries, const QStringList &chosenTables);

}  // namespace tabulo
