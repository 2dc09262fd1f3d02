#include "wizard/generator/ModuleWriter.h"

#include "utility/BasicError.h"
#include "utility/TextHelper.h"
#include "wizard/generator/AttributeNames.h"
#include "wizard/generator/BasicLiteral.h"
#include "wizard/generator/BasicNames.h"
#include "wizard/generator/CodePrinter.h"
#include "wizard/generator/PropertyValueText.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/basDAOFunctions.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>

namespace tabulo {
namespace {

const QString kQuoteConstant = QStringLiteral("mcstrQuote");
constexpr qsizetype kMaxLineLength = CodePrinter::kMaxLineLength;
// A setting's text that makes a literal longer than this is assigned to a
// local variable first: the statements of the wrapper then fit one line
// whatever the other settings hold.
constexpr qsizetype kLongLiteral = 200;

// The error handlers of the procedures, one indent deep. Most show the error;
// the Indexes procedure passes over an index that a relationship made.
constexpr QLatin1StringView kShowError("\tMsgBox Err.Number & \": \" & Err.Description\n");
constexpr QLatin1StringView kSkipRecreatedIndex(
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
constexpr QLatin1StringView kCreateMissingProperty(
    "\tSelect Case Err.Number\n"
    "\t\tCase 3270\n"
    "\t\t\t'Property not found: the new object does not have it yet, so it is created\n"
    "\t\t\tblnCreate = True\n"
    "\t\t\tResume Next\n"
    "\t\tCase Else\n"
    "\t\t\tMsgBox Err.Number & \": \" & Err.Description\n"
    "\tEnd Select\n");

// The variable a table procedure assembles a long property value in.
const QString kPropertyValueVariable = QStringLiteral("strPropertyValue");

// The start of every procedure's body, after its Sub line: the error trap
// that closeProcedure() ends. The body is one level deeper while the answer
// lives.
[[nodiscard]] CodePrinter::Indented openBody(CodePrinter &out)
{
    out.print("\n"
              "\tOn Error Goto ErrorHandler\n"
              "\n");
    return out.indented();
}

// The end of every procedure, after its last statement: the exit, the error
// handler and End Sub.
void closeProcedure(CodePrinter &out, QLatin1StringView handler)
{
    out.print("\n"
              "ExitProcedure:\n"
              "\tExit Sub\n"
              "\n"
              "ErrorHandler:\n");
    out.print(handler);
    out.print("\tResume ExitProcedure\n"
              "\n"
              "End Sub\n");
}

// «target = part1», then «target = target & part2» and so on: a value too
// long for one Basic line, assigned over several.
void printAssignedInParts(CodePrinter &out, const QString &target, const QStringList &parts)
{
    const auto vars = out.withVars({{"target", target}});
    out.print("$target$ = $part$\n", {{"part", parts.constFirst()}});
    for (qsizetype i = 1; i < parts.size(); ++i)
        out.print("$target$ = $target$ & $part$\n", {{"part", parts.at(i)}});
}

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// A foreign table and its key fields, as Jet compares names (without case).
QString foreignIndexKey(const QString &table, const QStringList &fields)
{
    return (table + QChar(0) + fields.join(QChar(0))).toLower();
}

// The variables and parameters some procedures declare for themselves, with
// the variable settings declared in the same procedures: a variable setting
// must not take such a name there.
struct LocalName {
    const char *name;
    std::array<const char *, 3> besides;   // unused places are null
    bool withDesignProperties = false;     // declared only when those are written
};
const LocalName kLocalNames[] = {
    {"ws", {"VarNameNewDB"}},
    {"strNewDBPath", {"VarNameNewDB"}},
    {"strMDWPath", {"VarNameNewDB"}},
    {"strUserName", {"VarNameNewDB"}},
    {"strPassword", {"VarNameNewDB"}},
    {"strDatabasePwd", {"VarNameNewDB"}},
    {"mcstrQuote", {"VarNameNewDB", "VarNameNewTable", "VarNameNewField"}},
    {"tdf", {"VarNameNewDB", "VarNameNewField", "VarNameNewIndex"}},
    {"strPropertyValue", {"VarNameNewDB", "VarNameNewTable", "VarNameNewField"}, true},
};

bool isDeclared(const LocalName &local, const GeneratorSettings &style)
{
    return !local.withDesignProperties || style.includeDesignProperties;
}

bool sameBasicName(const QString &a, const QString &b)
{
    return a.toLower() == b.toLower();
}

}  // namespace

struct ModuleWriter::State {
    explicit State(GeneratorSettings s)
        : style(std::move(s)), wrapper(printer()), tables(printer()), indexes(printer()), relations(printer())
    {
    }

    // A printer whose templates know the variable names of the settings.
    CodePrinter printer() const
    {
        return CodePrinter(style.indentUnit(), kRunErrorSource,
                           {{"db", style.varNameNewDB},
                            {"tdf", style.varNameNewTable},
                            {"fld", style.varNameNewField},
                            {"indx", style.varNameNewIndex},
                            {"rel", style.varNameNewRelation}});
    }

    bool isCurrent() const { return style.pathNameDBNew == QLatin1StringView("Current"); }
    bool isVariable() const { return style.pathNameDBNew == QLatin1StringView("Variable"); }

    void reserveNames();
    void writeWrapper();
    void createDatabase();
    QString wrapperValue(const QString &value, const char *variable);
    void writeTableProcedure(const dao::TableDef &table, const QString &tableName,
                             const QString &procName);
    void writeField(const dao::Field &field);
    void writeQuotedValue(const QString &object, const char *property, const QString &value);
    void writeDesignProperties(const dao::TableDef &table);
    void writeDesignPropertiesOf(const dao::Properties &properties, const QString *fieldName);
    void beginDesignLines();
    void writeLeftOut(const QString &name, const QString &target, const QString &why);
    QString assembledInVariable(const QString &text);
    void writeSetDesignPropertyProcedure(CodePrinter &out) const;
    void writeTableIndexes(const dao::TableDef &table, const QString &tableName);
    void writeIndex(const dao::Index &index, const QString &tableName);
    void writeIndexesProcedure(CodePrinter &out) const;
    void writeRelations(const dao::Relations &relations,
                        const std::function<bool(const QString &)> &isChosen, bool isReplica);
    void writeRelation(const dao::Relation &relation, const QString &table,
                       const QString &foreignTable, bool replica);

    GeneratorSettings style;
    CodePrinter wrapper;    // CreateNewDatabase, written when the module is finished
    // The table procedures, each after a blank line; finish() puts the rest
    // of the module around them, so that the long text is never copied.
    CodePrinter tables;
    // The body of the Indexes procedure, one level deep, written as the
    // tables are read.
    CodePrinter indexes;
    CodePrinter relations;  // the Relations procedure, complete
    ProcedureNames names;
    QStringList tableProcs; // the table procedures, in the order of the tables
    QString indexesProc;
    QString relationsProc;
    bool relationWritten = false;
    bool designPropertyWritten = false;  // a SetDesignProperty line calls the helper
    bool valueVariableDeclared = false;  // in the table procedure being written
    bool designLinesBegun = false;       // in the table procedure being written

    // Blocks of indexes the engine keeps for a relationship, left out once
    // the relationships are known: creating a relationship recreates its
    // index, so a block stays only when no written relationship does.
    struct ForeignIndex {
        qsizetype begin;     // where in `indexes` the block is
        qsizetype end;
        QString key;         // foreignIndexKey() of its table and fields
    };
    QList<ForeignIndex> foreignIndexes;
    QSet<QString> recreatedIndexes;  // keys of the written relationships
};

QString tabStopRefusal(qsizetype tabStop, const QString &shownAs)
{
    return QStringLiteral("The setting %1 is %2; it must be 0 to %3, so that every indented line fits the "
                          "1,023 characters of a Basic line.")
        .arg(shownAs)
        .arg(tabStop)
        .arg(kMaxTabStop);
}

void checkCodeStyle(const GeneratorSettings &style, const QHash<QString, QString> &shownAs)
{
    const auto refuse = [](const QString &description) {
        pembry::raiseError(pembry::err::InvalidCall, kRunErrorSource, description);
    };
    const auto shown = [&shownAs](const char *setting) {
        const QString name = QLatin1StringView(setting);
        return shownAs.value(name, name);
    };
    if (jetVersionConstant(style.version).isEmpty())
        refuse(QStringLiteral("The setting %1 is %2; it must be 1, 8, 16, 32 or 64.")
                   .arg(shown("Version"))
                   .arg(style.version));
    if (style.newDBSecurity < 0 || style.newDBSecurity > 2)
        refuse(QStringLiteral("The setting %1 is %2; it must be 0, 1 or 2.")
                   .arg(shown("NewDBSecurity"))
                   .arg(style.newDBSecurity));
    if (style.tabStop < 0 || style.tabStop > kMaxTabStop)
        refuse(tabStopRefusal(style.tabStop, shown("TabStop")));
    if (basicIdentifier(style.locale) != style.locale)
        refuse(QStringLiteral("The setting %1 «%2» is not a Basic name.").arg(shown("Locale"), style.locale));

    const std::pair<const char *, const QString *> variables[] = {
        {"VarNameNewDB", &style.varNameNewDB},
        {"VarNameNewTable", &style.varNameNewTable},
        {"VarNameNewField", &style.varNameNewField},
        {"VarNameNewIndex", &style.varNameNewIndex},
        {"VarNameNewRelation", &style.varNameNewRelation}};
    const QString sameName = QStringLiteral(" (Basic does not tell letter case apart in names)");
    for (size_t i = 0; i < std::size(variables); ++i) {
        const auto &[setting, value] = variables[i];
        if (basicIdentifier(*value) != *value)
            refuse(QStringLiteral("The setting %1 «%2» is not a Basic name.").arg(shown(setting), *value));
        const auto declaredBeside = [&](const LocalName &local) {
            return sameBasicName(*value, QLatin1StringView(local.name))
                   && std::any_of(local.besides.begin(), local.besides.end(),
                                  [&](const char *s) { return s && qstrcmp(s, setting) == 0; });
        };
        const bool localClash = std::any_of(std::begin(kLocalNames), std::end(kLocalNames), [&](const LocalName &local) {
            return isDeclared(local, style) && declaredBeside(local);
        });
        if (isModuleName(*value, style.includeDesignProperties) || localClash)
            refuse(QStringLiteral("The setting %1 «%2» is a name the module uses itself%3; choose another name.")
                       .arg(shown(setting), *value, sameName));
        if (sameBasicName(*value, style.locale))
            refuse(QStringLiteral("The setting %1 «%2» is the name of the %3 constant «%4»%5; choose another name.")
                       .arg(shown(setting), *value, shown("Locale"), style.locale, sameName));
        for (size_t j = 0; j < i; ++j) {
            const auto &[otherSetting, other] = variables[j];
            if (sameBasicName(*value, *other))
                refuse(QStringLiteral("The settings %1 «%2» and %3 «%4» name the same variable%5; every "
                                      "variable needs a name of its own.")
                           .arg(shown(otherSetting), *other, shown(setting), *value, sameName));
        }
    }
}

void ModuleWriter::State::reserveNames()
{
    for (const QString &name : moduleNames())
        names.reserve(name);
    if (style.includeDesignProperties) {
        for (const QString &name : designPropertyNames())
            names.reserve(name);
    }
    for (const LocalName &local : kLocalNames) {
        if (isDeclared(local, style))
            names.reserve(QString::fromLatin1(local.name));
    }
    for (const QString *name : {&style.varNameNewDB, &style.varNameNewTable, &style.varNameNewField,
                                &style.varNameNewIndex, &style.varNameNewRelation, &style.locale})
        names.reserve(*name);
    indexesProc = names.claim(basicIdentifier(style.procPrefix + QStringLiteral("Indexes")));
    relationsProc = names.claim(basicIdentifier(style.procPrefix + QStringLiteral("Relations")));
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

    out.print("Public Sub CreateNewDatabase($parameters$)\n", {{"parameters", parameters}});
    {
        const auto body = openBody(out);
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
    }
    closeProcedure(out, kShowError);
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

void ModuleWriter::State::writeTableProcedure(const dao::TableDef &table, const QString &tableName,
                                              const QString &procName)
{
    CodePrinter &out = tables;
    const auto vars = out.withVars({{"proc", procName}});
    out.print("\n");   // the blank line before every table procedure
    if (isCurrent())
        out.print("Private Sub $proc$()\n");
    else
        out.print("Private Sub $proc$($db$ As Database)\n");
    {
        const auto body = openBody(out);
        out.print("Const mcstrQuote As String = \"\"\"\"\n");
        if (isCurrent())
            out.print("Dim $db$ As Database\n");
        out.print("Dim $tdf$ As TableDef\n"
                  "Dim $fld$ As Field\n");
        if (isCurrent())
            out.print("\n"
                      "Set $db$ = CurrentDb\n");
        out.print("\n"
                  "Set $tdf$ = $db$.CreateTableDef($table$)\n",
                  {CodePrinter::quoted("table", tableName)});

        const dao::Fields &fields = table.Fields();
        const int fieldCount = fields.Count();
        for (int i = 0; i < fieldCount; ++i)
            writeField(*fields.Item(i));

        if (style.includeDesignProperties) {
            writeQuotedValue(style.varNameNewTable, "ValidationRule", table.ValidationRule());
            writeQuotedValue(style.varNameNewTable, "ValidationText", table.ValidationText());
        }
        out.print("$db$.TableDefs.Append $tdf$\n");
        if (style.includeDesignProperties)
            writeDesignProperties(table);
    }
    closeProcedure(out, kShowError);
}

void ModuleWriter::State::writeField(const dao::Field &field)
{
    CodePrinter &out = tables;
    const QString name = field.Name();
    const qint32 type = field.Type();
    const qint32 size = field.Size();
    out.print("Set $fld$ = $tdf$.CreateField($name$, $type$, $size$)\n",
              {CodePrinter::quoted("name", name), {"type", FieldTypeAsText(type)}, {"size", QString::number(size)}});
    if (field.Attributes() > 2)
        out.print("$fld$.Attributes = $attributes$\n", {{"attributes", AttributesField(field)}});
    if (type == dao::dbText || type == dao::dbMemo)
        out.print("$fld$.AllowZeroLength = $allow$\n", {{"allow", boolText(field.AllowZeroLength())}});
    writeQuotedValue(style.varNameNewField, "DefaultValue", field.DefaultValue());
    out.print("$fld$.Required = $required$\n", {{"required", boolText(field.Required())}});
    writeQuotedValue(style.varNameNewField, "ValidationRule", field.ValidationRule());
    writeQuotedValue(style.varNameNewField, "ValidationText", field.ValidationText());
    out.print("$tdf$.Fields.Append $fld$\n"
              "\n");
}

// «object.property = value» for a stored expression, which may hold quotes.
// A Basic line holds at most 1023 characters: a longer value is assigned in
// parts, «object.property = part1», then «object.property =
// object.property & part2» and so on.
void ModuleWriter::State::writeQuotedValue(const QString &object, const char *property, const QString &value)
{
    if (value.isEmpty())
        return;
    const QString target = object + u'.' + QLatin1StringView(property);
    const qsizetype statement = target.size() + 3;   // "object.property = "
    const qsizetype room = std::max<qsizetype>(kMaxLineLength - style.tabStop - 2 * statement, 64);
    printAssignedInParts(tables, target, basicStringExpressionParts(value, kQuoteConstant, room));
}

// One line per further property of the table and its fields, after the
// table is appended (a property can only be added to an object the
// database holds). DAO keeps each object's properties apart, in the order
// the file stores them: the table's come first, then each field's in field
// order.
void ModuleWriter::State::writeDesignProperties(const dao::TableDef &table)
{
    valueVariableDeclared = false;
    designLinesBegun = false;
    writeDesignPropertiesOf(table.Properties(), nullptr);
    const dao::Fields &fields = table.Fields();
    const int fieldCount = fields.Count();
    for (int i = 0; i < fieldCount; ++i) {
        const std::shared_ptr<dao::Field> field = fields.Item(i);
        const QString name = field->Name();
        writeDesignPropertiesOf(field->Properties(), &name);
    }
}

// The blank line between the table's Append and its first design line.
void ModuleWriter::State::beginDesignLines()
{
    if (!designLinesBegun)
        tables.print("\n");
    designLinesBegun = true;
}

// «SetDesignProperty target, "name", dbType, value» for each of
// `properties`, whose target is the table or, given `fieldName`, its field.
void ModuleWriter::State::writeDesignPropertiesOf(const dao::Properties &properties, const QString *fieldName)
{
    CodePrinter &out = tables;
    const int count = properties.Count();
    if (count == 0)
        return;
    const QString target = fieldName ? style.varNameNewTable + QStringLiteral(".Fields(")
                                           + basicStringLiteral(*fieldName) + u')'
                                     : style.varNameNewTable;
    for (int k = 0; k < count; ++k) {
        const std::shared_ptr<dao::Property> property = properties.Item(k);
        const QString name = property->Name();
        const int type = property->Type();
        const PropertyValueText value = propertyValueText(type, property->Value());
        beginDesignLines();
        if (value.kind == PropertyValueText::None) {
            writeLeftOut(name, target, value.text);
            continue;
        }
        const QString nameLiteral = basicStringLiteral(name);
        const QString typeName = FieldTypeAsText(type);
        // "SetDesignProperty target, name, type, " before the value.
        const qsizetype head = out.indentWidth() + 18 + target.size() + 2 + nameLiteral.size() + 2 + typeName.size() + 2;
        QString expression = value.text;
        if (value.kind == PropertyValueText::Text) {
            const QStringList parts = basicStringExpressionParts(value.text, kQuoteConstant, kMaxLineLength - head);
            expression = parts.size() == 1 && head + parts.constFirst().size() <= kMaxLineLength
                             ? parts.constFirst()
                             : assembledInVariable(value.text);
        }
        if (head + expression.size() <= kMaxLineLength) {
            out.print("SetDesignProperty $target$, $name$, $type$, $value$\n",
                      {{"target", target}, {"name", nameLiteral}, {"type", typeName}, {"value", expression}});
        } else {
            // Names too long for one line: the printer continues them.
            const CodePrinter::Vars vars = {CodePrinter::quoted("name", name), {"type", typeName}, {"value", expression},
                                            CodePrinter::quoted("field", fieldName ? QStringView(*fieldName) : QStringView())};
            if (fieldName)
                out.print("SetDesignProperty $tdf$.Fields($field$), $name$, $type$, $value$\n", vars);
            else
                out.print("SetDesignProperty $tdf$, $name$, $type$, $value$\n", vars);
        }
        designPropertyWritten = true;
    }
}

// The comment that stands where the line of a property would: one line,
// names written as Basic strings, cut to fit.
void ModuleWriter::State::writeLeftOut(const QString &name, const QString &target, const QString &why)
{
    QString comment = QStringLiteral("'Left out: property %1 of %2: %3").arg(basicStringLiteral(name), target, why);
    const qsizetype room = kMaxLineLength - tables.indentWidth();
    if (comment.size() > room)
        comment = comment.left(room - 3) + QStringLiteral("...");
    tables.print("$comment$\n", {{"comment", comment}});
}

// The variable that holds `text` once the lines before the statement have
// assembled it in parts that fit a Basic line; declared on first use in a
// table procedure.
QString ModuleWriter::State::assembledInVariable(const QString &text)
{
    if (!valueVariableDeclared) {
        tables.print("Dim $var$ As String\n", {{"var", kPropertyValueVariable}});
        valueVariableDeclared = true;
    }
    const qsizetype statement = 2 * kPropertyValueVariable.size() + 6;   // "var = var & "
    const qsizetype room = std::max<qsizetype>(kMaxLineLength - tables.indentWidth() - statement, 64);
    printAssignedInParts(tables, kPropertyValueVariable, basicStringExpressionParts(text, kQuoteConstant, room));
    return kPropertyValueVariable;
}

// Sets a design property of a table or field, creating it (error 3270,
// "Property not found") when the new object does not have it yet. Any other
// error is shown, and the next line goes on with the next property.
void ModuleWriter::State::writeSetDesignPropertyProcedure(CodePrinter &out) const
{
    out.print("Private Sub SetDesignProperty(objTarget As Object, strName As String, intType As Integer, "
              "varValue As Variant)\n");
    {
        const auto body = openBody(out);
        out.print("Dim blnCreate As Boolean\n"
                  "\n"
                  "objTarget.Properties(strName).Value = varValue\n"
                  "If blnCreate Then objTarget.Properties.Append objTarget.CreateProperty(strName, intType, varValue)\n");
    }
    closeProcedure(out, kCreateMissingProperty);
}

void ModuleWriter::State::writeTableIndexes(const dao::TableDef &table, const QString &tableName)
{
    const dao::Indexes &tableIndexes = table.Indexes();
    const int count = tableIndexes.Count();
    if (count == 0)
        return;
    indexes.print("Set tdf = $db$.TableDefs($table$)\n", {CodePrinter::quoted("table", tableName)});
    for (int i = 0; i < count; ++i)
        writeIndex(*tableIndexes.Item(i), tableName);
}

void ModuleWriter::State::writeIndex(const dao::Index &index, const QString &tableName)
{
    CodePrinter &out = indexes;
    const qsizetype begin = out.size();
    out.print("\tSet $indx$ = tdf.CreateIndex($name$)\n", {CodePrinter::quoted("name", index.Name())});
    const dao::Fields &fields = index.Fields();
    const int fieldCount = fields.Count();
    QStringList fieldNames;
    for (int i = 0; i < fieldCount; ++i) {
        const std::shared_ptr<dao::Field> key = fields.Item(i);
        const QString fieldName = key->Name();
        fieldNames.append(fieldName);
        out.print("\t\tSet $fld$ = $indx$.CreateField($name$)\n", {CodePrinter::quoted("name", fieldName)});
        if (style.includeDesignProperties && (key->Attributes() & dao::dbDescending))
            out.print("\t\t$fld$.Attributes = dbDescending\n");
        out.print("\t\t$indx$.Fields.Append $fld$\n");
    }
    out.print("\t\tWith $indx$\n"
              "\t\t\t.IgnoreNulls = $ignoreNulls$\n"
              "\t\t\t.Primary = $primary$\n"
              "\t\t\t.Required = $required$\n"
              "\t\t\t.Unique = $unique$\n"
              "\t\tEnd With\n"
              "\ttdf.Indexes.Append $indx$\n"
              "\n",
              {{"ignoreNulls", boolText(index.IgnoreNulls())},
               {"primary", boolText(index.Primary())},
               {"required", boolText(index.Required())},
               {"unique", boolText(index.Unique())}});

    if (index.Foreign() && style.includeRelations)
        foreignIndexes.append({begin, out.size(), foreignIndexKey(tableName, fieldNames)});
}

// The Indexes procedure around the index blocks of the tables; the blocks of
// indexes a written relationship recreates are left out.
void ModuleWriter::State::writeIndexesProcedure(CodePrinter &out) const
{
    out.print("Private Sub $proc$($db$ As Database)\n", {{"proc", indexesProc}});
    {
        const auto body = openBody(out);
        out.print("Dim tdf As TableDef\n"
                  "Dim $fld$ As Field\n"
                  "Dim $indx$ As Index\n"
                  "\n");
        const QStringView blocks = indexes.text();
        qsizetype done = 0;
        for (const ForeignIndex &held : foreignIndexes) {
            if (recreatedIndexes.contains(held.key)) {
                out.appendText(blocks.sliced(done, held.begin - done));
                done = held.end;
            }
        }
        out.appendText(blocks.sliced(done));
    }
    closeProcedure(out, kSkipRecreatedIndex);
}

void ModuleWriter::State::writeRelations(const dao::Relations &source,
                                         const std::function<bool(const QString &)> &isChosen,
                                         bool isReplica)
{
    CodePrinter &out = relations;
    out.clear();
    relationWritten = false;
    recreatedIndexes.clear();

    out.print("Private Sub $proc$($db$ As Database)\n", {{"proc", relationsProc}});
    {
        const auto body = openBody(out);
        out.print("Dim $rel$ As Relation\n"
                  "Dim $fld$ As Field\n"
                  "\n"
                  "'Create Relationships\n");
        const int count = source.Count();
        for (int i = 0; i < count; ++i) {
            const std::shared_ptr<dao::Relation> relation = source.Item(i);
            const QString table = relation->Table();
            const QString foreignTable = relation->ForeignTable();
            if (isChosen(table) && isChosen(foreignTable)) {
                relationWritten = true;
                writeRelation(*relation, table, foreignTable, isReplica);
            }
        }
    }
    out.print("\n");   // one more blank line after the last relationship's
    closeProcedure(out, kShowError);
}

void ModuleWriter::State::writeRelation(const dao::Relation &relation, const QString &table,
                                        const QString &foreignTable, bool replica)
{
    CodePrinter &out = relations;
    out.print("Set $rel$ = $db$.CreateRelation($name$)\n"
              "$rel$.Table = $table$\n"
              "$rel$.ForeignTable = $foreignTable$\n",
              {CodePrinter::quoted("name", relation.Name()), CodePrinter::quoted("table", table),
               CodePrinter::quoted("foreignTable", foreignTable)});
    out.print("$rel$.Attributes = $attributes$\n", {{"attributes", AttributesRelation(relation)}});
    if (replica && relation.PartialReplica())
        out.print("$rel$.PartialReplica = True\n");
    const dao::Fields &fields = relation.Fields();
    const int fieldCount = fields.Count();
    QStringList foreignNames;
    for (int i = 0; i < fieldCount; ++i) {
        const std::shared_ptr<dao::Field> field = fields.Item(i);
        const QString name = field->Name();
        const QString foreignName = field->ForeignName();
        foreignNames.append(foreignName);
        out.print("Set $fld$ = $rel$.CreateField($name$)\n"
                  "$fld$.ForeignName = $foreignName$\n"
                  "$rel$.Fields.Append $fld$\n",
                  {CodePrinter::quoted("name", name), CodePrinter::quoted("foreignName", foreignName)});
    }
    recreatedIndexes.insert(foreignIndexKey(foreignTable, foreignNames));
    out.print("$db$.Relations.Append $rel$\n"
              "\n");
}

ModuleWriter::ModuleWriter(GeneratorSettings style) : d(std::make_unique<State>(std::move(style))) {}

ModuleWriter::~ModuleWriter() = default;

void ModuleWriter::begin()
{
    checkCodeStyle(d->style);
    d->wrapper.clear();
    d->tables.clear();
    d->indexes.clear();
    d->indexes.indent();    // the blocks stand in the procedure's body
    d->relations.clear();
    d->names = ProcedureNames();
    d->tableProcs.clear();
    d->foreignIndexes.clear();
    d->recreatedIndexes.clear();
    d->relationWritten = false;
    d->designPropertyWritten = false;
    d->reserveNames();
}

void ModuleWriter::expectLength(qsizetype characters)
{
    d->tables.reserve(characters);
}

void ModuleWriter::addTable(const dao::TableDef &table)
{
    const QString tableName = table.Name();
    const QString procName = d->names.claim(basicIdentifier(d->style.procPrefix
                                                            + textHelper().RemoveAllSpaces(tableName)));
    d->tableProcs.append(procName);
    d->writeTableProcedure(table, tableName, procName);
    d->writeTableIndexes(table, tableName);
}

void ModuleWriter::addRelations(const dao::Relations &relations,
                                const std::function<bool(const QString &)> &isChosen,
                                bool isReplica)
{
    if (d->style.includeRelations)
        d->writeRelations(relations, isChosen, isReplica);
}

bool ModuleWriter::relationWritten() const
{
    return d->relationWritten;
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
    module.reserve(d->wrapper.size() + module.size() + 4 + d->relations.size() + 2 + d->indexes.size() + 512);
    if (withRelations)
        module.print("\n"
                     "\n")
            .appendText(d->relations.text());
    module.print("\n");
    d->writeIndexesProcedure(module);
    if (d->designPropertyWritten) {
        module.print("\n");
        d->writeSetDesignPropertyProcedure(module);
    }
    if (d->style.includeDatabaseWrapper)
        module.prependText(d->wrapper.text());
    QString text = module.take();
    // The text is kept after the run: the room its growth left goes back.
    text.squeeze();
    return text;
}

bool isReplica(const dao::Database &database)
{
    const QString designMasterId = database.DesignMasterID();
    const QString replicaId = database.ReplicaID();
    return !designMasterId.isEmpty() || !replicaId.isEmpty();
}

QString moduleNameForCodeFile(const QString &codeFilePath)
{
    const qsizetype separator =
        std::max(codeFilePath.lastIndexOf(u'/'), codeFilePath.lastIndexOf(u'\\'));
    QString name = textHelper().RemoveAllSpaces(codeFilePath.mid(separator + 1));
    name.chop(4);
    if (!name.startsWith(QLatin1StringView("bas")))
        name.prepend(QLatin1StringView("bas"));
    return basicIdentifier(name);
}

QString codeFileHeader(const QString &codeFilePath, bool writeVB5Header)
{
    QString text;
    if (writeVB5Header)
        text += QStringLiteral("Attribute VB_Name = \"") + moduleNameForCodeFile(codeFilePath)
                + QStringLiteral("\"\r\n");
    text += QStringLiteral("Option Explicit\r\n\r\n");
    return text;
}

QString codeFileText(const QString &moduleText, const QString &codeFilePath, bool writeVB5Header)
{
    return codeFileHeader(codeFilePath, writeVB5Header) + moduleText + QStringLiteral("\r\n");
}

}  // namespace tabulo
