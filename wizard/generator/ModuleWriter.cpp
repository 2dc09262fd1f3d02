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
      out(printer())
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

// What the module holds, worked out before any of it is printed: the
// wrapper, which comes first, calls what comes after it.
void ModuleWriter::State::plan(const ModuleSource &module)
{
    source = &module;
    chosenNames = QSet<QString>(module.chosenNames.cbegin(), module.chosenNames.cend());
    for (const schema::Table *table : module.tables) {
        tableProcs.append(names.claim(basicIdentifier(style.procPrefix + textHelper().RemoveAllSpaces(table->name))));
        for (const schema::Field &field : table->fields) {
            if (field.storageType != 0)
                leftOutFields.append({table->name, field.name, field.storageType});
            else if (needsJetSql(field))
                jetSqlWritten = true;
        }
    }
    if (style.includeRelations)
        planRelations();
    if (style.includeQueries)
        planQueryProcedure(module.queries, module.chosenNames);
}

// The module from one template: the procedures in their order, each part
// printed in its place.
void ModuleWriter::State::writeModule(const std::function<void(int)> &tablesWritten)
{
    const auto declarations = [this] {
        if (keepsLogin())
            writeKeptLoginDeclarations();
    };
    const auto wrapper = [this] {
        if (style.includeDatabaseWrapper)
            writeWrapper();
    };
    const auto tables = [&] {
        const qsizetype count = source->tables.size();
        for (qsizetype k = 0; k < count; ++k) {
            if (tablesWritten)
                tablesWritten(int(k));
            const qsizetype before = out.size();
            writeTableProcedure(*source->tables[k], tableProcs[k]);
            // Room for the other tables as long as the first, and a quarter
            // more for the relations and indexes that follow.
            if (k == 0 && count > 1)
                out.reserve(out.size() + (out.size() - before) * (count - 1) / 4 * 5);
        }
        if (tablesWritten)
            tablesWritten(int(count));
    };
    const auto relations = [this] {
        if (relationWritten) {
            out.print("\n"
                      "\n");
            writeRelations();
        }
    };
    const auto queries = [this] {
        if (queryWritten) {
            out.print("\n"
                      "\n");
            writeQueries();
        }
    };
    const auto indexes = [this] { writeIndexesProcedure(); };
    const auto helpers = [this] {
        if (jetSqlWritten) {
            out.print("\n");
            writeJetSqlProcedure();
        }
        if (designPropertyWritten) {
            out.print("\n");
            writeSetDesignPropertyProcedure();
        }
    };
    out.print("$declarations$\n"
              "$wrapper$\n"
              "$tables$\n"
              "$relations$\n"
              "$queries$\n"
              "\n"
              "$indexes$\n"
              "$helpers$\n",
              {{"declarations", declarations},
               {"wrapper", wrapper},
               {"tables", tables},
               {"relations", relations},
               {"queries", queries},
               {"indexes", indexes},
               {"helpers", helpers}});
}

void ModuleWriter::State::writeWrapper()
{
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
        if (relationWritten)
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
        basicStringExpressionParts(value, {}, kMaxLineLength - out.indentWidth() - again);
    out.print("Dim $var$ As String\n", {{"var", name}});
    printAssignedInParts(out, name, parts);
    return name;
}

ModuleWriter::ModuleWriter(GeneratorSettings style) : d(std::make_unique<State>(std::move(style))) {}

ModuleWriter::~ModuleWriter() = default;

void ModuleWriter::begin()
{
    checkCodeStyle(d->style);
    d->out.clear();
    d->source = nullptr;
    d->chosenNames.clear();
    d->names = ProcedureNames();
    d->tableProcs.clear();
    d->relationWritten = false;
    d->queryWritten = false;
    d->queryPlan = QueryPlan();
    d->queryWarnings.clear();
    d->hiddenQueries.clear();
    d->designPropertyWritten = false;
    d->leftOutFields.clear();
    d->jetSqlStatements.clear();
    d->jetSqlWritten = false;
    d->recreatedIndexes.clear();
    d->reserveNames();
}

void ModuleWriter::expectLength(qsizetype characters)
{
    d->out.reserve(characters);
}

QString ModuleWriter::write(const ModuleSource &source, const std::function<void(int)> &tablesWritten)
{
    d->plan(source);
    d->writeModule(tablesWritten);
    d->source = nullptr;
    QString text = d->out.take();
    // The text is kept after the run: much room left over goes back.
    if (text.capacity() - text.size() > text.size() / 4)
        text.squeeze();
    return text;
}

const QList<LeftOutField> &ModuleWriter::leftOutFields() const
{
    return d->leftOutFields;
}

bool ModuleWriter::relationWritten() const
{
    return d->relationWritten;
}

bool ModuleWriter::queryWritten() const
{
    return d->queryWritten;
}

const QStringList &ModuleWriter::queryWarnings() const
{
    return d->queryWarnings;
}

bool isReplica(const schema::Database &database)
{
    return !database.designMasterId.isEmpty() || !database.replicaId.isEmpty();
}

}  // namespace tabulo
