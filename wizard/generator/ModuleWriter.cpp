#include "wizard/generator/ModuleWriter.h"

#include "utility/TextHelper.h"
#include "wizard/generator/BasicLiteral.h"
#include "wizard/generator/ModuleWriterState.h"
#include "wizard/generator/SettingsCheck.h"
#include "wizard/generator/SharedHelpers.h"

namespace tabulo {

using namespace writer;

namespace {

// A setting's text that makes a literal longer than this is assigned to a
// local variable first: the statements of the wrapper then fit one line
// whatever the other settings hold.
constexpr qsizetype kLongLiteral = 200;

}  // namespace

void writer::printAssignedInParts(CodePrinter &out, const QString &target, const QStringList &parts)
{
    const auto vars = out.withVars({{"target", target}});
    out.print("$target$ = $part$\n", {{"part", parts.constFirst()}});
    for (qsizetype i = 1; i < parts.size(); ++i)
        out.print("$target$ = $target$ & $part$\n", {{"part", parts.at(i)}});
}

QString writer::assembledInVariable(CodePrinter &out, const QString &variable, bool &declared, const QString &text,
                                   QStringView quoteConstant)
{
    if (!declared) {
        out.print("Dim $var$ As String\n", {{"var", variable}});
        declared = true;
    }
    const qsizetype statement = 2 * variable.size() + 6;   // "var = var & "
    const qsizetype room = std::max<qsizetype>(kMaxLineLength - out.indentWidth() - statement, 64);
    printAssignedInParts(out, variable, basicStringExpressionParts(text, quoteConstant, room));
    return variable;
}

QString writer::fittedComment(const CodePrinter &out, const QString &comment)
{
    const qsizetype room = kMaxLineLength - out.indentWidth();
    return comment.size() > room ? comment.left(room - 3) + QStringLiteral("...") : comment;
}

ModuleWriter::State::State(GeneratorSettings s)
    : style(std::move(s)),
      dbParameter(style.varNameNewDB + QStringLiteral(" As Database")),
      wrapper(printer()),
      tables(printer()),
      relations(printer()),
      queries(printer()),
      indexes(printer()),
      indexBlock(printer())
{
}

CodePrinter ModuleWriter::State::printer() const
{
    return CodePrinter(style.indentUnit(), kRunErrorSource,
                       {{"db", style.varNameNewDB},
                        {"tdf", style.varNameNewTable},
                        {"fld", style.varNameNewField},
                        {"indx", style.varNameNewIndex},
                        {"rel", style.varNameNewRelation},
                        {"qdf", style.varNameNewQuery}});
}

void ModuleWriter::State::reserveNames()
{
    const quint8 options = moduleOptions(style.includeDesignProperties, style.includeQueries);
    for (const ModuleName &name : moduleNames()) {
        if (name.isIn(options))
            names.reserve(name.name.toString());
    }
    for (const QString *name : {&style.varNameNewDB, &style.varNameNewTable, &style.varNameNewField,
                                &style.varNameNewIndex, &style.varNameNewRelation, &style.locale})
        names.reserve(*name);
    if (style.includeQueries)
        names.reserve(style.varNameNewQuery);
    indexesProc = names.claim(basicIdentifier(style.procPrefix + QStringLiteral("Indexes")));
    relationsProc = names.claim(basicIdentifier(style.procPrefix + QStringLiteral("Relations")));
    queriesProc.clear();   // claimed when a query is written, after the tables' names
}

void ModuleWriter::State::writeWrapper()
{
    CodePrinter &out = wrapper;
    QString parameters;
    if (style.newDBSecurity == 1)
        parameters = QStringLiteral("strMDWPath As String, strUserName As String, "
                                    "strPassword As String, Optional strDatabasePwd as String");
    if (isVariable()) {
        parameters = parameters.isEmpty() ? QStringLiteral("strNewDBPath As String")
                                          : QStringLiteral("strNewDBPath As String, ") + parameters;
    }

    printProcedure(out, {u"Public", u"CreateNewDatabase", parameters}, kShowError, [&] {
        out.print("Dim $db$ As Database\n"
                  "\n");
        if (isCurrent())
            out.print("Set $db$ = CurrentDb\n");
        else
            createDatabase();
        out.print("\n"
                  "'Create Tables\n");
        for (const QString &proc : std::as_const(tableProcs)) {
            if (isCurrent())
                out.print("$proc$\n", {{"proc", proc}});
            else
                out.print("$proc$ $db$\n", {{"proc", proc}});
        }
        out.print("\n"
                  "$indexes$ $db$\n",
                  {{"indexes", indexesProc}});
        if (style.includeRelations && relationWritten)
            out.print("\n"
                      "$relations$ $db$\n",
                      {{"relations", relationsProc}});
        if (queryWritten)
            out.print("\n"
                      "$queries$ $db$\n",
                      {{"queries", queriesProc}});
    });
}

// The workspace and the CreateDatabase statement of the wrapper.
void ModuleWriter::State::createDatabase()
{
    CodePrinter &out = wrapper;
    QString version = jetVersionConstant(style.version);
    if (style.encrypt == 2)
        version += QStringLiteral(" Or dbEncrypt");
    out.print("Dim ws As Workspace\n");

    QString localeArgument = style.locale;
    switch (style.newDBSecurity) {
    case 0:
        out.print("Set ws = DBEngine(0)\n");
        break;
    case 1:
        localeArgument += QStringLiteral(" & \";pwd=\" & strDatabasePwd");
        out.print("'Create a secure workspace\n"
                  "DBEngine.SystemDB = strMDWPath\n"
                  "Set ws = DBEngine.CreateWorkspace(\"SecureWorkspace\", strUserName, strPassword)\n");
        if (keepsLogin())
            writeKeptLoginAssignments();
        break;
    default: {
        out.print("'Create a secure workspace\n");
        const QString workgroup = wrapperValue(style.pathNameMDWNew, "strMDWPath");
        out.print("DBEngine.SystemDB = $workgroup$\n", {{"workgroup", workgroup}});
        const QString user = wrapperValue(style.userNameNew, "strUserName");
        const QString password = wrapperValue(style.passwordMDWNew, "strPassword");
        out.print("Set ws = DBEngine.CreateWorkspace(\"SecureWorkspace\", $user$, $password$)\n",
                  {{"user", user}, {"password", password}});
        break;
    }
    }
    const QString path = isVariable() ? QStringLiteral("strNewDBPath")
                                      : wrapperValue(style.pathNameDBNew, "strNewDBPath");
    if (style.newDBSecurity == 2 && !style.passwordDBNew.isEmpty())
        localeArgument += QStringLiteral(" & ") + wrapperValue(style.passwordDBNew, "strDatabasePwd");
    out.print("Set $db$ = ws.CreateDatabase($path$, $locale$, $version$)\n",
              {{"path", path}, {"locale", localeArgument}, {"version", version}});
}

// `value` as a Basic string for a statement of the wrapper: its literal, or,
// when that is long, the local variable `variable`, declared and assigned in
// parts on the lines before the statement.
QString ModuleWriter::State::wrapperValue(const QString &value, const char *variable)
{
    QString literal = basicStringLiteral(value);
    if (literal.size() <= kLongLiteral)
        return literal;
    const QString name = QLatin1StringView(variable);
    const qsizetype again = 2 * name.size() + 6;   // "name = name & "
    const QStringList parts =
        basicStringExpressionParts(value, {}, kMaxLineLength - wrapper.indentWidth() - again);
    wrapper.print("Dim $var$ As String\n", {{"var", name}});
    printAssignedInParts(wrapper, name, parts);
    return name;
}

ModuleWriter::ModuleWriter(GeneratorSettings style) : d(std::make_unique<State>(std::move(style))) {}

ModuleWriter::~ModuleWriter() = default;

void ModuleWriter::begin()
{
    checkCodeStyle(d->style);
    d->wrapper.clear();
    d->tables.clear();
    d->indexParts.clear();
    d->indexes.clear();
    d->indexes.indent();    // the blocks stand in the procedure's body
    d->indexBlock.clear();
    d->indexBlock.indent();
    d->relations.clear();
    d->queries.clear();
    d->queryWritten = false;
    d->queryWarnings.clear();
    d->names = ProcedureNames();
    d->tableProcs.clear();
    d->recreatedIndexes.clear();
    d->relationWritten = false;
    d->designPropertyWritten = false;
    d->jetSqlStatements.clear();
    d->jetSqlWritten = false;
    d->reserveNames();
}

void ModuleWriter::expectLength(qsizetype characters)
{
    d->tables.reserve(characters);
}

void ModuleWriter::expectTables(int count)
{
    d->expectedTables = count;
}

void ModuleWriter::addTable(const schema::Table &table)
{
    const QString procName = d->names.claim(basicIdentifier(d->style.procPrefix
                                                            + textHelper().RemoveAllSpaces(table.name)));
    d->tableProcs.append(procName);
    d->writeTableProcedure(table, procName);
    d->writeTableIndexes(table);
    // A quarter more for the wrapper, relations and indexes that follow.
    if (d->tableProcs.size() == 1 && d->expectedTables > 1)
        d->tables.reserve(d->tables.size() * d->expectedTables / 4 * 5);
}

void ModuleWriter::addRelations(const QList<schema::Relation> &relations,
                                const std::function<bool(const QString &)> &isChosen,
                                bool isReplica)
{
    if (d->style.includeRelations)
        d->writeRelations(relations, isChosen, isReplica);
}

const QList<LeftOutField> &ModuleWriter::leftOutFields() const
{
    return d->leftOutFields;
}

bool ModuleWriter::relationWritten() const
{
    return d->relationWritten;
}

void ModuleWriter::addQueries(const QList<schema::Query> &queries, const QStringList &chosenTables)
{
    if (d->style.includeQueries)
        d->writeQueries(queries, chosenTables);
}

bool ModuleWriter::queryWritten() const
{
    return d->queryWritten;
}

const QStringList &ModuleWriter::queryWarnings() const
{
    return d->queryWarnings;
}

QString ModuleWriter::finish()
{
    const bool withRelations = d->style.includeRelations && d->relationWritten;
    if (d->style.includeDatabaseWrapper)
        d->writeWrapper();

    // The module is the table procedures with the wrapper in front and the
    // relations and indexes after them; room for all of it is made at once
    // (the Indexes procedure adds some 500 characters to its blocks).
    CodePrinter &module = d->tables;
    qsizetype indexesSize = d->indexes.size();
    for (const State::IndexPart &part : std::as_const(d->indexParts))
        indexesSize += part.text.size();
    module.reserve(d->wrapper.size() + module.size() + 4 + d->relations.size() + 2 + d->queries.size() + 2
                   + indexesSize + 512);
    if (withRelations)
        module.print("\n"
                     "\n")
            .appendText(d->relations.text());
    if (d->queryWritten)
        module.print("\n"
                     "\n")
            .appendText(d->queries.text());
    module.print("\n");
    d->writeIndexesProcedure(module);
    if (d->jetSqlWritten) {
        module.print("\n");
        d->writeJetSqlProcedure(module);
    }
    if (d->designPropertyWritten) {
        module.print("\n");
        d->writeSetDesignPropertyProcedure(module);
    }
    if (d->style.includeDatabaseWrapper)
        module.prependText(d->wrapper.text());
    if (d->keepsLogin()) {
        CodePrinter declarations = d->printer();
        d->writeKeptLoginDeclarations(declarations);
        module.prependText(declarations.text());
    }
    QString text = module.take();
    // The text is kept after the run: much room left over goes back.
    if (text.capacity() - text.size() > text.size() / 4)
        text.squeeze();
    return text;
}

bool isReplica(const schema::Database &database)
{
    return !database.designMasterId.isEmpty() || !database.replicaId.isEmpty();
}

}  // namespace tabulo
