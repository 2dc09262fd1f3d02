#pragma once
// What a ModuleWriter keeps while it writes, and the helpers its procedures
// share. Only the writer's own files include this: ModuleWriter.cpp (the run
// and the wrapper), ModuleWriterTables.cpp (the table procedures and the
// design property helper), ModuleWriterFields.cpp (a field's lines),
// ModuleWriterQueries.cpp (the Queries procedure),
// ModuleWriterJetSql.cpp (a Decimal's precision and scale, and the helper
// that sets them) and ModuleWriterIndexes.cpp (the Indexes and Relations
// procedures).

#include "wizard/generator/BasicNames.h"
#include "wizard/generator/CodePrinter.h"
#include "wizard/generator/ModuleWriter.h"
#include "wizard/generator/QueryPlan.h"

#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>

namespace tabulo {

namespace writer {

constexpr qsizetype kMaxLineLength = CodePrinter::kMaxLineLength;
inline const QString kQuoteConstant = QStringLiteral("mcstrQuote");

// The error handlers of the procedures, one indent deep. Most show the error;
// the Indexes procedure passes over an index that a relationship made.
inline constexpr QLatin1StringView kShowError("\tMsgBox Err.Number & \": \" & Err.Description\n");
inline constexpr QLatin1StringView kSkipRecreatedIndex(
    "\tSelect Case Err.Number\n"
    "\t\tCase 3284\n"
    "\t\t\t'The Jet Engine automatically created this index when it created a relationship that uses the "
    "respective field\n"
    "\t\t\tResume Next\n"
    "\t\tCase Else\n"
    "\t\t\tMsgBox Err.Number & \": \" & Err.Description\n"
    "\tEnd Select\n");
// The helper's handler: a property the new object does not have yet is
// created; any other error is shown.
inline constexpr QLatin1StringView kCreateMissingProperty(
    "\tSelect Case Err.Number\n"
    "\t\tCase 3270\n"
    "\t\t\t'Property not found: the new object does not have it yet, so it is created\n"
    "\t\t\tblnCreate = True\n"
    "\t\t\tResume Next\n"
    "\t\tCase Else\n"
    "\t\t\tMsgBox Err.Number & \": \" & Err.Description\n"
    "\tEnd Select\n");

// Every procedure: its Sub line, the error trap, the statements of its body
// one level deep, the exit, the error handler and End Sub.
inline constexpr char kProcedure[] =
    "$scope$ Sub $name$($parameters$)\n"
    "\n"
    "\tOn Error Goto ErrorHandler\n"
    "\n"
    "\t$body$\n"
    "\n"
    "ExitProcedure:\n"
    "\tExit Sub\n"
    "\n"
    "ErrorHandler:\n"
    "$handler$\n"
    "\tResume ExitProcedure\n"
    "\n"
    "End Sub\n";

// The Sub line of a procedure: «Private Sub name(parameters)».
struct ProcedureHead {
    QStringView scope;    // u"Public" or u"Private"
    QStringView name;
    QStringView parameters;
};

// Prints a procedure from kProcedure: `body` prints its statements, and
// `handler` is the template of its error handler.
template <typename Body>
void printProcedure(CodePrinter &out, const ProcedureHead &head, QLatin1StringView handler, const Body &body)
{
    const auto printHandler = [&out, handler] { out.print(handler); };
    out.print(kProcedure, {{"scope", head.scope},
                           {"name", head.name},
                           {"parameters", head.parameters},
                           {"body", body},
                           {"handler", printHandler}});
}

// «target = part1», then «target = target & part2» and so on: a value too
// long for one Basic line, assigned over several.
void printAssignedInParts(CodePrinter &out, const QString &target, const QStringList &parts);

// `text` assigned to the String variable `variable` on the lines printed
// now, in parts that fit (declared first unless `declared`); answers the
// variable, for the statement that uses the text.
QString assembledInVariable(CodePrinter &out, const QString &variable, bool &declared, const QString &text,
                            QStringView quoteConstant);

// `comment` as one line, cut with "..." where it would not fit.
QString fittedComment(const CodePrinter &out, const QString &comment);

inline QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

}  // namespace writer

struct ModuleWriter::State {
    explicit State(GeneratorSettings s);

    // A printer whose templates know the variable names of the settings.
    CodePrinter printer() const;

    bool isCurrent() const { return style.pathNameDBNew == QLatin1StringView("Current"); }
    bool isVariable() const { return style.pathNameDBNew == QLatin1StringView("Variable"); }

    // ModuleWriter.cpp
    void reserveNames();
    void plan(const ModuleSource &source);
    void writeModule(const std::function<void(int)> &tablesWritten);
    void writeWrapper();
    void createDatabase();
    QString wrapperValue(const QString &value, const char *variable);

    // ModuleWriterTables.cpp
    void writeTableProcedure(const schema::Table &table, const QString &procName);
    void writeQuotedValue(const QString &object, const char *property, const QString &value);
    void writeDesignProperties(const schema::Table &table);
    void writeDesignPropertiesOf(const QList<schema::Property> &properties, const QString *fieldName);
    void beginDesignLines();
    void writeLeftOut(const QString &name, const QString &target, const QString &why);
    void writeSetDesignPropertyProcedure();

    // ModuleWriterFields.cpp
    void writeField(const schema::Field &field, const QString &tableName);
    void writeLeftOutField(const QString &name, int storageType);

    // ModuleWriterJetSql.cpp
    bool holdsNoDecimal() const;   // the new database is Jet 3 or older
    bool needsJetSql(const schema::Field &field) const;
    void noteDecimal(const schema::Field &field, const QString &tableName);
    void writeJetSqlCalls();
    bool keepsLogin() const;       // the wrapper keeps its run-time login for the helper
    void writeKeptLoginDeclarations();
    void writeKeptLoginAssignments();
    void writeJetSqlProcedure();

    // ModuleWriterQueries.cpp
    void planQueryProcedure(const QList<schema::Query> &source, const QStringList &chosenTables);
    void writeQueries();
    void writeQuery(const schema::Query &query);
    void writeQueryHidden(const QString &name);
    QString queryText(const QString &sql, qsizetype headWidth);
    void writeQueryDescription(const schema::Query &query);
    void writeQueryComment(const QString &comment);

    // ModuleWriterIndexes.cpp
    void planRelations();
    void writeTableIndexes(const schema::Table &table);
    void writeIndex(const schema::Index &index);
    static QString leftOutKey(const schema::Index &index, const QSet<QString> &leftOut);
    QString leftOutRelationField(const schema::Relation &relation) const;
    bool isWrittenRelation(const schema::Relation &relation) const;
    void writeLeftOutComment(const QString &kind, const QString &name, const QString &field);
    void writeIndexesProcedure();
    void writeRelations();
    void writeRelation(const schema::Relation &relation);

    GeneratorSettings style;
    QString dbParameter;    // «dbNew As Database»
    CodePrinter out;        // the module
    const ModuleSource *source = nullptr;   // while write() runs
    QSet<QString> chosenNames;
    ProcedureNames names;
    QStringList tableProcs; // the table procedures, in the order of the tables
    QString indexesProc;
    QString relationsProc;
    QString queriesProc;    // claimed after the tables' names when a query is written
    bool relationWritten = false;
    bool queryWritten = false;
    QueryPlan queryPlan;
    bool textVariableDeclared = false;   // in the Queries procedure
    QStringList queryWarnings;
    QStringList hiddenQueries;           // written visible: the new database is not the current one
    bool designPropertyWritten = false;  // a SetDesignProperty line calls the helper
    bool valueVariableDeclared = false;  // in the table procedure being written
    bool designLinesBegun = false;       // in the table procedure being written
    QList<LeftOutField> leftOutFields;   // fields written as a comment only
    QStringList jetSqlStatements;        // of the table procedure being written
    bool jetSqlWritten = false;          // a table procedure calls ExecuteJetSql
    // The foreign-key indexes the written relationships recreate (creating
    // a relationship creates its index): the Indexes procedure leaves them out.
    QSet<QString> recreatedIndexes;
};

}  // namespace tabulo
