#include "wizard/generator/QueryPlan.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <optional>
#include <queue>
#include <vector>

namespace tabulo {

namespace {

QString folded(const QString &name)
{
    return name.toCaseFolded();
}

// The engine's own tables, which every new database has.
bool isEngineTable(const QString &foldedName)
{
    return foldedName.startsWith(QLatin1StringView("msys"));
}

// Whether `from` reaches itself through the query sources in `among`.
bool readsItself(qsizetype from, const QList<QList<qsizetype>> &reads, const QSet<qsizetype> &among)
{
    QList<qsizetype> pending = reads.at(from);
    QSet<qsizetype> seen;
    while (!pending.isEmpty()) {
        const qsizetype next = pending.takeLast();
        if (next == from)
            return true;
        if (!among.contains(next) || seen.contains(next))
            continue;
        seen.insert(next);
        pending += reads.at(next);
    }
    return false;
}

}  // namespace

QueryPlan planQueries(const QList<schema::Query> &queries, const QStringList &chosenTables)
{
    const qsizetype count = queries.size();
    QHash<QString, qsizetype> queryNamed;
    for (qsizetype i = 0; i < count; ++i)
        queryNamed.insert(folded(queries[i].name), i);
    QSet<QString> chosen;
    for (const QString &table : chosenTables)
        chosen.insert(folded(table));

    // The queries each query reads, and why a query is left out.
    QList<QList<qsizetype>> reads(count);
    QList<std::optional<QueryPlan::LeftOut>> leftOut(count);
    for (qsizetype i = 0; i < count; ++i) {
        const schema::Query &query = queries[i];
        for (const QString &source : query.sources) {
            const QString key = folded(source);
            const auto named = queryNamed.constFind(key);
            if (named != queryNamed.cend()) {
                reads[i].append(*named);
                if (queries[*named].isSystem() && !leftOut[i])
                    leftOut[i] = QueryPlan::LeftOut{&query, source, true};
            } else if (!chosen.contains(key) && !isEngineTable(key) && !leftOut[i]) {
                leftOut[i] = QueryPlan::LeftOut{&query, source, false};
            }
        }
    }
    // A query that reads a left-out query is left out too.
    for (bool more = true; more;) {
        more = false;
        for (qsizetype i = 0; i < count; ++i) {
            if (leftOut[i] || queries[i].isSystem())
                continue;
            for (qsizetype j : std::as_const(reads[i])) {
                if (leftOut[j]) {
                    leftOut[i] = QueryPlan::LeftOut{&queries[i], queries[j].name, true};
                    more = true;
                    break;
                }
            }
        }
    }

    QueryPlan plan;
    QList<qsizetype> pending;   // the queries to write, in the file's order
    for (qsizetype i = 0; i < count; ++i) {
        if (queries[i].isSystem())
            continue;
        if (leftOut[i])
            plan.leftOut.append(*leftOut[i]);
        else
            pending.append(i);
    }

    // Each step writes the first query in the file's order whose queries
    // are all written (every query a pending query reads is pending too).
    QList<qsizetype> waiting(count, 0);         // the queries each still waits for
    QList<QList<qsizetype>> readBy(count);
    for (qsizetype i : std::as_const(pending)) {
        const QSet<qsizetype> sources(reads[i].cbegin(), reads[i].cend());
        for (qsizetype j : sources)
            readBy[j].append(i);
        waiting[i] = sources.size();
    }
    std::priority_queue<qsizetype, std::vector<qsizetype>, std::greater<>> ready;
    for (qsizetype i : std::as_const(pending)) {
        if (waiting[i] == 0)
            ready.push(i);
    }
    QSet<qsizetype> done;
    QList<qsizetype> order;
    while (!ready.empty()) {
        const qsizetype i = ready.top();
        ready.pop();
        order.append(i);
        done.insert(i);
        for (qsizetype reader : std::as_const(readBy[i])) {
            if (--waiting[reader] == 0)
                ready.push(reader);
        }
    }
    if (order.size() < pending.size()) {
        QSet<qsizetype> stuck;
        for (qsizetype i : std::as_const(pending)) {
            if (!done.contains(i))
                stuck.insert(i);
        }
        for (qsizetype i : std::as_const(pending)) {
            if (stuck.contains(i) && readsItself(i, reads, stuck))
                plan.cycle.append(queries[i].name);
        }
        order = pending;
    }
    for (qsizetype i : std::as_const(order))
        plan.written.append(&queries[i]);
    return plan;
}

}  // namespace tabulo
