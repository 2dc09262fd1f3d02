// The Queries procedure: one CreateQueryDef a saved query, each after the
// queries it reads.

#include "wizard/generator/BasicLiteral.h"
#include "wizard/generator/ModuleWriterState.h"
#include "wizard/generator/PropertyValueText.h"
#include "wizard/generator/QueryPlan.h"
#include "wizard/generator/basDAOFunctions.h"

#include <algorithm>

namespace tabulo {

using namespace writer;

namespace {

// The variable a query text too long for its statement is assembled in.
const QString kTextVariable = QStringLiteral("strSQL");

// The DAO type code of a pass-through query.
constexpr int kPassThroughQuery = 112;

QString quotedNames(const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names)
        quoted.append(u'"' + name + u'"');
    return quoted.join(QStringLiteral(", "));
}

}  // namespace

// Which queries the module creates, in what order, and what it says of
// those it leaves out.
void ModuleWriter::State::planQueryProcedure(const QList<schema::Query> &source, const QStringList &chosenTables)
{
    queryPlan = planQueries(source, chosenTables);
    const QueryPlan &plan = queryPlan;
    for (const QueryPlan::LeftOut &left : plan.leftOut) {
        const QString &name = left.query->name;
        queryWarnings.append(left.sourceIsQuery
                                 ? QStringLiteral("query \"%1\" reads the query \"%2\", which the module leaves out; "
                                                  "the module leaves \"%1\" out too.")
                                       .arg(name, left.source)
                                 : QStringLiteral("query \"%1\" reads \"%2\", which is not among the chosen tables; "
                                                  "the module leaves the query out.")
                                       .arg(name, left.source));
    }
    if (!plan.cycle.isEmpty())
        queryWarnings.append(QStringLiteral("the queries %1 read each other in a circle; the module creates the "
                                            "queries in the file's order.")
                                 .arg(quotedNames(plan.cycle)));
    if (plan.written.isEmpty())
        return;
    queryWritten = true;
    queriesProc = names.claim(basicIdentifier(style.procPrefix + QStringLiteral("Queries")));
}

void ModuleWriter::State::writeQueries()
{
    const QueryPlan &plan = queryPlan;
    textVariableDeclared = false;
    printProcedure(out, {u"Private", queriesProc, dbParameter}, kShowError, [&] {
        out.print("Dim $qdf$ As QueryDef\n"
                  "\n"
                  "'Create Queries\n");
        if (!plan.cycle.isEmpty()) {
            QStringList literals;
            for (const QString &name : plan.cycle)
                literals.append(basicStringLiteral(name));
            writeQueryComment(QStringLiteral("'The queries %1 read each other in a circle: they are created in "
                                             "the file's order")
                                  .arg(literals.join(QStringLiteral(", "))));
        }
        for (const schema::Query *query : plan.written)
            writeQuery(*query);
        for (const QueryPlan::LeftOut &left : plan.leftOut) {
            writeQueryComment(QStringLiteral("'Left out: query %1: it reads %2, which %3")
                                  .arg(basicStringLiteral(left.query->name), basicStringLiteral(left.source),
                                       left.sourceIsQuery ? QStringLiteral("is a query left out")
                                                          : QStringLiteral("is not among the chosen tables")));
        }
    });
    if (hiddenQueries.size() == 1)
        queryWarnings.append(QStringLiteral("the query %1 is hidden in the source; Access hides a query only in the "
                                            "database it has open (Application.SetHiddenAttribute), so in a new "
                                            "database the module leaves it visible, with a comment.")
                                 .arg(quotedNames(hiddenQueries)));
    else if (!hiddenQueries.isEmpty())
        queryWarnings.append(QStringLiteral("the queries %1 are hidden in the source; Access hides a query only in "
                                            "the database it has open (Application.SetHiddenAttribute), so in a new "
                                            "database the module leaves them visible, each with a comment.")
                                 .arg(quotedNames(hiddenQueries)));
}

// One query: created and appended at once, or, for a pass-through query,
// created unnamed so that its connection is set before Jet sees its text,
// which is in the other engine's SQL, and then appended. The hidden flag
// and the description are set once the query is in the database.
void ModuleWriter::State::writeQuery(const schema::Query &query)
{
    if (query.type == kPassThroughQuery) {
        out.print("Set $qdf$ = $db$.CreateQueryDef()\n"
                  "$qdf$.Name = $name$\n",
                  {CodePrinter::quoted("name", query.name)});
        if (!query.connect.isEmpty()) {
            const QString target = style.varNameNewQuery + QStringLiteral(".Connect");
            const qsizetype statement = target.size() + 3;   // "target = "
            const qsizetype room = std::max<qsizetype>(kMaxLineLength - out.indentWidth() - 2 * statement, 64);
            printAssignedInParts(out, target, basicStringExpressionParts(query.connect, {}, room));
        }
        const qsizetype head = out.indentWidth() + style.varNameNewQuery.size() + 7;   // "qdf.SQL = "
        out.print("$qdf$.SQL = $sql$\n"
                  "$qdf$.ReturnsRecords = $returns$\n"
                  "$db$.QueryDefs.Append $qdf$\n",
                  {{"sql", queryText(query.sql, head)}, {"returns", boolText(query.returnsRecords)}});
    } else {
        // "Set qdf = db.CreateQueryDef(name, " before the text, ")" after it.
        const qsizetype head = out.indentWidth() + style.varNameNewQuery.size() + style.varNameNewDB.size() + 23
                               + basicStringLiteral(query.name).size() + 2;
        const QString text = queryText(query.sql, head + 1);
        out.print("Set $qdf$ = $db$.CreateQueryDef($name$, $sql$)\n",
                  {CodePrinter::quoted("name", query.name), {"sql", text}});
    }
    if (query.hidden)
        writeQueryHidden(query.name);
    if (style.includeDesignProperties)
        writeQueryDescription(query);
    out.print("\n");
}

// Access keeps an object's hidden flag itself and sets it only in the
// database it has open (Application.SetHiddenAttribute); DAO has no member
// for it. So the module hides the query where the tables go into the
// current database, and elsewhere says in a comment how to.
void ModuleWriter::State::writeQueryHidden(const QString &name)
{
    if (isCurrent()) {
        out.print("Application.SetHiddenAttribute acQuery, $name$, True\n", {CodePrinter::quoted("name", name)});
        return;
    }
    writeQueryComment(QStringLiteral("'Hidden in the source: Access hides it in the database it has open with "
                                     "Application.SetHiddenAttribute acQuery, %1, True")
                          .arg(basicStringLiteral(name)));
    hiddenQueries.append(name);
}

// The query's text as a Basic string expression for a statement whose
// other parts take `headWidth` characters of its line: the literal when it
// fits, else the variable, assembled on the lines before in parts that fit.
QString ModuleWriter::State::queryText(const QString &sql, qsizetype headWidth)
{
    const QStringList parts = basicStringExpressionParts(sql, {}, kMaxLineLength - std::min(headWidth, kMaxLineLength - 64));
    if (parts.size() == 1 && headWidth + parts.constFirst().size() <= kMaxLineLength)
        return parts.constFirst();
    return assembledInVariable(out, kTextVariable, textVariableDeclared, sql, {});
}

// The query's Description, set as a table's design properties are.
void ModuleWriter::State::writeQueryDescription(const schema::Query &query)
{
    const auto description = std::find_if(query.properties.cbegin(), query.properties.cend(), [](const schema::Property &p) {
        return p.name.compare(QLatin1StringView("Description"), Qt::CaseInsensitive) == 0;
    });
    if (description == query.properties.cend())
        return;
    const PropertyValueText value = propertyValueText(description->type, description->value);
    if (value.kind != PropertyValueText::Text)
        return;
    const QString typeName = FieldTypeAsText(description->type);
    // "SetDesignProperty qdf, "Description", type, " before the value.
    const qsizetype head = out.indentWidth() + 18 + style.varNameNewQuery.size() + 17 + typeName.size() + 2;
    out.print("SetDesignProperty $qdf$, \"Description\", $type$, $value$\n",
              {{"type", typeName}, {"value", queryText(value.text, head)}});
    designPropertyWritten = true;
}

// A comment line of the procedure, cut to fit a Basic line.
void ModuleWriter::State::writeQueryComment(const QString &comment)
{
    out.print("$comment$\n", {{"comment", fittedComment(out, comment)}});
}

}  // namespace tabulo
