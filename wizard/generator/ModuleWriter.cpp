#include "wizard/generator/ModuleWriter.h"

#include "utility/BasicError.h"
#include "wizard/generator/AttributeNames.h"
#include "wizard/generator/BasicLiteral.h"
#include "wizard/generator/BasicNames.h"
#include "wizard/generator/CodePrinter.h"
#include "wizard/generator/basDAOFunctions.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>

namespace tabulo {
namespace {

const QString kRunSource = QStringLiteral("clsWriteNewDatabase:WriteTableCreationCode Method");
const QString kQuoteConstant = QStringLiteral("mcstrQuote");
constexpr qsizetype kMaxLineLength = 1023;
// Basic joins at most 24 continued lines to a statement.
constexpr qsizetype kMaxContinuations = 24;
// A setting's text that makes a literal longer than this is assigned to a
// local variable first: the statements of the wrapper then fit one line
// whatever the other settings hold.
constexpr qsizetype kLongLiteral = 200;
const QString kMsgBoxStatement = QStringLiteral("MsgBox Err.Number & \": \" & Err.Description");

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// A foreign table and its key fields, as Jet compares names (without case).
QString foreignIndexKey(const QString &table, const QStringList &fields)
{
    return (table + QChar(0) + fields.join(QChar(0))).toLower();
}

QString withoutBlanks(QString text)
{
    return text.remove(u' ');
}

// The variables and parameters some procedures declare for themselves, with
// the variable settings declared in the same procedures: a variable setting
// must not take such a name there.
struct LocalName {
    const char *name;
    std::array<const char *, 3> besides;   // unused places are null
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
};

bool sameBasicName(const QString &a, const QString &b)
{
    return a.toLower() == b.toLower();
}

}  // namespace

struct ModuleWriter::State {
    explicit State(GeneratorSettings s)
        : style(std::move(s)),
          wrapper(style.indentUnit()),
          tables(style.indentUnit()),
          indexes(style.indentUnit()),
          relations(style.indentUnit())
    {
    }

    bool isCurrent() const { return style.pathNameDBNew == QLatin1StringView("Current"); }
    bool isVariable() const { return style.pathNameDBNew == QLatin1StringView("Variable"); }

    void reserveNames();
    void beginWrapper();
    void beginIndexes();
    void writeTableProcedure(const dao::TableDef &table, const QString &tableName,
                             const QString &procName);
    void writeField(const dao::Field &field);
    void writeTableIndexes(const dao::TableDef &table, const QString &tableName);
    void writeIndex(const dao::Index &index, const QString &tableName);
    void appendIndexes(CodePrinter &out) const;
    void writeRelation(const dao::Relation &relation, const QString &table,
                       const QString &foreignTable, bool replica);
    void writeQuotedValue(const QString &property, const QString &value);
    void putNamed(CodePrinter &out, int level, std::initializer_list<QStringView> head, QStringView name,
                  std::initializer_list<QStringView> tail);
    QString wrapperValue(const QString &value, QStringView variable);

    GeneratorSettings style;
    CodePrinter wrapper;    // CreateNewDatabase up to its last table call
    // The table procedures, each after a blank line; finish() puts the rest
    // of the module around them, so that the long text is never copied.
    CodePrinter tables;
    CodePrinter indexes;    // the Indexes procedure up to its last index
    CodePrinter relations;  // the Relations procedure, complete
    ProcedureNames names;
    QString indexesProc;
    QString relationsProc;
    bool relationWritten = false;

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
        pembry::raiseError(pembry::err::InvalidCall, kRunSource, description);
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
        const bool localClash = std::any_of(std::begin(kLocalNames), std::end(kLocalNames), declaredBeside);
        if (isModuleName(*value) || localClash)
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
    for (const LocalName &local : kLocalNames)
        names.reserve(QString::fromLatin1(local.name));
    for (const QString *name : {&style.varNameNewDB, &style.varNameNewTable, &style.varNameNewField,
                                &style.varNameNewIndex, &style.varNameNewRelation, &style.locale})
        names.reserve(*name);
    indexesProc = names.claim(basicIdentifier(style.procPrefix + QStringLiteral("Indexes")));
    relationsProc = names.claim(basicIdentifier(style.procPrefix + QStringLiteral("Relations")));
}

void ModuleWriter::State::beginWrapper()
{
    const QString &db = style.varNameNewDB;
    QString parameters;
    if (style.newDBSecurity == 1)
        parameters = QStringLiteral("strMDWPath As String, strUserName As String, "
                                    "strPassword As String, Optional strDatabasePwd as String");
    if (isVariable()) {
        parameters = parameters.isEmpty() ? QStringLiteral("strNewDBPath As String")
                                          : QStringLiteral("strNewDBPath As String, ") + parameters;
    }

    wrapper.put(0, u"Public Sub CreateNewDatabase(", parameters, u")").br(2);
    wrapper.line(1, u"On Error Goto ErrorHandler");
    wrapper.br().line(1, u"Dim ", db, u" As Database");
    if (isCurrent()) {
        wrapper.br().line(1, u"Set ", db, u" = CurrentDb");
    } else {
        QString version = jetVersionConstant(style.version);
        if (style.encrypt == 2)
            version += QStringLiteral(" Or dbEncrypt");
        wrapper.br().put(1, u"Dim ws As Workspace");

        QString localeArgument = style.locale;
        switch (style.newDBSecurity) {
        case 0:
            wrapper.br().put(1, u"Set ws = DBEngine(0)");
            break;
        case 1:
            localeArgument += QStringLiteral(" & \";pwd=\" & strDatabasePwd");
            wrapper.br().put(1, u"'Create a secure workspace");
            wrapper.br().put(1, u"DBEngine.SystemDB = strMDWPath");
            wrapper.br().put(1, u"Set ws = DBEngine.CreateWorkspace(\"SecureWorkspace\", "
                                u"strUserName, strPassword)");
            break;
        default: {
            wrapper.br().put(1, u"'Create a secure workspace");
            const QString workgroup = wrapperValue(style.pathNameMDWNew, u"strMDWPath");
            wrapper.br().put(1, u"DBEngine.SystemDB = ", workgroup);
            const QString user = wrapperValue(style.userNameNew, u"strUserName");
            const QString password = wrapperValue(style.passwordMDWNew, u"strPassword");
            wrapper.br().put(1, u"Set ws = DBEngine.CreateWorkspace(\"SecureWorkspace\", ", user, u", ",
                             password, u")");
            break;
        }
        }
        const QString path = isVariable() ? QStringLiteral("strNewDBPath")
                                          : wrapperValue(style.pathNameDBNew, u"strNewDBPath");
        if (style.newDBSecurity == 2 && !style.passwordDBNew.isEmpty())
            localeArgument += QStringLiteral(" & ") + wrapperValue(style.passwordDBNew, u"strDatabasePwd");
        wrapper.br().line(1, u"Set ", db, u" = ws.CreateDatabase(", path, u", ", localeArgument,
                          u", ", version, u")");
    }
    wrapper.br().line(1, u"'Create Tables");
}

void ModuleWriter::State::beginIndexes()
{
    indexes.line(0, u"Private Sub ", indexesProc, u"(", style.varNameNewDB, u" As Database)");
    indexes.br().line(1, u"On Error Goto ErrorHandler");
    indexes.br().put(1, u"Dim tdf As TableDef");
    indexes.br().put(1, u"Dim ", style.varNameNewField, u" As Field");
    indexes.br().line(1, u"Dim ", style.varNameNewIndex, u" As Index");
}

void ModuleWriter::State::writeTableProcedure(const dao::TableDef &table, const QString &tableName,
                                              const QString &procName)
{
    const QString &db = style.varNameNewDB;
    const QString &tdf = style.varNameNewTable;
    CodePrinter &out = tables;

    out.br();   // the blank line before every table procedure
    if (isCurrent())
        out.line(0, u"Private Sub ", procName, u"()");
    else
        out.line(0, u"Private Sub ", procName, u"(", db, u" As Database)");
    out.br().line(1, u"On Error Goto ErrorHandler");
    out.br().put(1, u"Const mcstrQuote As String = \"\"\"\"");
    if (isCurrent())
        out.br().put(1, u"Dim ", db, u" As Database");
    out.br().put(1, u"Dim ", tdf, u" As TableDef");
    out.br().put(1, u"Dim ", style.varNameNewField, u" As Field");
    if (isCurrent())
        out.br(2).put(1, u"Set ", db, u" = CurrentDb");
    out.br(2);
    putNamed(out, 1, {u"Set ", tdf, u" = ", db, u".CreateTableDef("}, tableName, {u")"});

    const dao::Fields &fields = table.Fields();
    const int fieldCount = fields.Count();
    for (int i = 0; i < fieldCount; ++i)
        writeField(*fields.Item(i));

    out.br().put(1, db, u".TableDefs.Append ", tdf);
    out.br(2).put(0, u"ExitProcedure:");
    out.br().put(1, u"Exit Sub");
    out.br(2).put(0, u"ErrorHandler:");
    out.br().put(1, kMsgBoxStatement);
    out.br().put(1, u"Resume ExitProcedure");
    out.br(2).line(0, u"End Sub");
}

void ModuleWriter::State::writeField(const dao::Field &field)
{
    const QString &fld = style.varNameNewField;
    const QString &tdf = style.varNameNewTable;
    CodePrinter &out = tables;

    const QString name = field.Name();
    const qint32 type = field.Type();
    const qint32 size = field.Size();
    out.br();
    putNamed(out, 1, {u"Set ", fld, u" = ", tdf, u".CreateField("}, name,
             {u", ", FieldTypeAsText(type), u", ", QString::number(size), u")"});
    if (field.Attributes() > 2)
        out.br().put(1, fld, u".Attributes = ", AttributesField(field));
    if (type == dao::dbText || type == dao::dbMemo)
        out.br().put(1, fld, u".AllowZeroLength = ", boolText(field.AllowZeroLength()));
    writeQuotedValue(QStringLiteral(".DefaultValue = "), field.DefaultValue());
    out.br().put(1, fld, u".Required = ", boolText(field.Required()));
    writeQuotedValue(QStringLiteral(".ValidationRule = "), field.ValidationRule());
    writeQuotedValue(QStringLiteral(".ValidationText = "), field.ValidationText());
    out.br().line(1, tdf, u".Fields.Append ", fld);
}

void ModuleWriter::State::writeQuotedValue(const QString &property, const QString &value)
{
    if (value.isEmpty())
        return;
    // A Basic line holds at most 1023 characters: a longer value is assigned
    // in parts, «V.P = part1», then «V.P = V.P & part2» and so on.
    const QString &fld = style.varNameNewField;
    const qsizetype room = std::max<qsizetype>(
        kMaxLineLength - style.tabStop - 2 * (fld.size() + property.size()), 64);
    const QStringList parts = basicStringExpressionParts(value, kQuoteConstant, room);
    tables.br().put(1, fld, property, parts.constFirst());
    for (qsizetype i = 1; i < parts.size(); ++i)
        tables.br().put(1, fld, property, fld, property.chopped(3), u" & ", parts.at(i));
}

// A statement made of `head`, `name` as a Basic string and `tail`. When it
// is longer than a line, it is continued (" _") after parts of the name, the
// further lines one level deeper: a 64-character name of characters that
// are written ChrW(n) needs some 900 characters.
void ModuleWriter::State::putNamed(CodePrinter &out, int level, std::initializer_list<QStringView> head,
                                   QStringView name, std::initializer_list<QStringView> tail)
{
    const auto width = [](std::initializer_list<QStringView> pieces) {
        qsizetype total = 0;
        for (QStringView piece : pieces)
            total += piece.size();
        return total;
    };
    const qsizetype headWidth = out.indentWidth(level) + width(head);
    const qsizetype tailWidth = width(tail);
    const QString literal = basicStringLiteral(name);
    out.put(level);
    for (QStringView piece : head)
        out.add(piece);
    if (headWidth + literal.size() + tailWidth <= kMaxLineLength) {
        out.add(literal);
    } else {
        const QStringView continuation = u" & _";
        const qsizetype room = kMaxLineLength - continuation.size()
                               - std::max(headWidth, out.indentWidth(level + 1) + tailWidth);
        const QStringList parts = basicStringExpressionParts(name, {}, room);
        if (parts.size() > kMaxContinuations + 1)
            pembry::raiseError(pembry::err::InvalidCall, kRunSource,
                               QStringLiteral("The name \"%1...\" (%2 characters) is too long for a Basic statement.")
                                   .arg(name.left(64).toString())
                                   .arg(name.size()));
        out.add(parts.constFirst());
        for (qsizetype i = 1; i < parts.size(); ++i) {
            out.add(continuation).br();
            out.put(level + 1, parts.at(i));
        }
    }
    for (QStringView piece : tail)
        out.add(piece);
}

// `value` as a Basic string for a statement of the wrapper: its literal, or,
// when that is long, the local variable `variable`, declared and assigned in
// parts on the lines before the statement.
QString ModuleWriter::State::wrapperValue(const QString &value, QStringView variable)
{
    QString literal = basicStringLiteral(value);
    if (literal.size() <= kLongLiteral)
        return literal;
    const QString name = variable.toString();
    const QString again = name + QStringLiteral(" = ") + name + QStringLiteral(" & ");
    const QStringList parts = basicStringExpressionParts(
        value, {}, kMaxLineLength - wrapper.indentWidth(1) - again.size());
    wrapper.br().put(1, u"Dim ", variable, u" As String");
    wrapper.br().put(1, variable, u" = ", parts.constFirst());
    for (qsizetype i = 1; i < parts.size(); ++i)
        wrapper.br().put(1, again, parts.at(i));
    return name;
}

void ModuleWriter::State::writeTableIndexes(const dao::TableDef &table, const QString &tableName)
{
    const dao::Indexes &tableIndexes = table.Indexes();
    const int count = tableIndexes.Count();
    if (count == 0)
        return;
    indexes.br();
    putNamed(indexes, 1, {u"Set tdf = ", style.varNameNewDB, u".TableDefs("}, tableName, {u")"});
    for (int i = 0; i < count; ++i)
        writeIndex(*tableIndexes.Item(i), tableName);
}

void ModuleWriter::State::writeIndex(const dao::Index &index, const QString &tableName)
{
    const QString &fld = style.varNameNewField;
    const QString &indx = style.varNameNewIndex;
    CodePrinter &block = indexes;
    const qsizetype begin = block.size();

    block.br();
    putNamed(block, 2, {u"Set ", indx, u" = tdf.CreateIndex("}, index.Name(), {u")"});
    const dao::Fields &fields = index.Fields();
    const int fieldCount = fields.Count();
    QStringList fieldNames;
    for (int i = 0; i < fieldCount; ++i) {
        const QString fieldName = fields.Item(i)->Name();
        fieldNames.append(fieldName);
        block.br();
        putNamed(block, 3, {u"Set ", fld, u" = ", indx, u".CreateField("}, fieldName, {u")"});
        block.br().put(3, indx, u".Fields.Append ", fld);
    }
    block.br().put(3, u"With ", indx);
    block.br().put(4, u".IgnoreNulls = ", boolText(index.IgnoreNulls()));
    block.br().put(4, u".Primary = ", boolText(index.Primary()));
    block.br().put(4, u".Required = ", boolText(index.Required()));
    block.br().put(4, u".Unique = ", boolText(index.Unique()));
    block.br().put(3, u"End With");
    block.br().line(2, u"tdf.Indexes.Append ", indx);

    if (index.Foreign() && style.includeRelations)
        foreignIndexes.append({begin, block.size(), foreignIndexKey(tableName, fieldNames)});
}

void ModuleWriter::State::appendIndexes(CodePrinter &out) const
{
    const QStringView text = indexes.text();
    qsizetype done = 0;
    for (const ForeignIndex &held : foreignIndexes) {
        if (recreatedIndexes.contains(held.key)) {
            out.appendText(text.sliced(done, held.begin - done));
            done = held.end;
        }
    }
    out.appendText(text.sliced(done));
}

void ModuleWriter::State::writeRelation(const dao::Relation &relation, const QString &table,
                                        const QString &foreignTable, bool replica)
{
    const QString &rel = style.varNameNewRelation;
    const QString &fld = style.varNameNewField;
    CodePrinter &out = relations;

    putNamed(out, 1, {u"Set ", rel, u" = ", style.varNameNewDB, u".CreateRelation("}, relation.Name(), {u")"});
    out.br();
    putNamed(out, 1, {rel, u".Table = "}, table, {});
    out.br();
    putNamed(out, 1, {rel, u".ForeignTable = "}, foreignTable, {});
    out.br();
    out.line(1, rel, u".Attributes = ", AttributesRelation(relation));
    if (replica && relation.PartialReplica())
        out.line(1, rel, u".PartialReplica = True");
    const dao::Fields &fields = relation.Fields();
    const int fieldCount = fields.Count();
    QStringList foreignNames;
    for (int i = 0; i < fieldCount; ++i) {
        const std::shared_ptr<dao::Field> field = fields.Item(i);
        putNamed(out, 1, {u"Set ", fld, u" = ", rel, u".CreateField("}, field->Name(), {u")"});
        out.br();
        const QString foreignName = field->ForeignName();
        foreignNames.append(foreignName);
        putNamed(out, 1, {fld, u".ForeignName = "}, foreignName, {});
        out.br();
        out.line(1, rel, u".Fields.Append ", fld);
    }
    recreatedIndexes.insert(foreignIndexKey(foreignTable, foreignNames));
    out.line(1, style.varNameNewDB, u".Relations.Append ", rel).br();
}

ModuleWriter::ModuleWriter(GeneratorSettings style) : d(std::make_unique<State>(std::move(style))) {}

ModuleWriter::~ModuleWriter() = default;

void ModuleWriter::begin()
{
    checkCodeStyle(d->style);
    d->wrapper.clear();
    d->tables.clear();
    d->indexes.clear();
    d->relations.clear();
    d->names = ProcedureNames();
    d->foreignIndexes.clear();
    d->recreatedIndexes.clear();
    d->relationWritten = false;
    d->reserveNames();
    d->beginWrapper();
    d->beginIndexes();
}

void ModuleWriter::addTable(const dao::TableDef &table)
{
    const QString tableName = table.Name();
    const QString procName = d->names.claim(basicIdentifier(d->style.procPrefix
                                                            + withoutBlanks(tableName)));
    if (d->isCurrent())
        d->wrapper.line(1, procName);
    else
        d->wrapper.line(1, procName, u" ", d->style.varNameNewDB);
    d->writeTableProcedure(table, tableName, procName);
    d->writeTableIndexes(table, tableName);
}

void ModuleWriter::addRelations(const dao::Relations &relations,
                                const std::function<bool(const QString &)> &isChosen,
                                bool isReplica)
{
    if (!d->style.includeRelations)
        return;
    CodePrinter &out = d->relations;
    out.clear();
    d->relationWritten = false;
    d->recreatedIndexes.clear();

    out.line(0, u"Private Sub ", d->relationsProc, u"(", d->style.varNameNewDB, u" As Database)");
    out.br().line(1, u"On Error Goto ErrorHandler");
    out.br().put(1, u"Dim ", d->style.varNameNewRelation, u" As Relation");
    out.br().line(1, u"Dim ", d->style.varNameNewField, u" As Field");
    out.br().line(1, u"'Create Relationships");

    const int count = relations.Count();
    for (int i = 0; i < count; ++i) {
        const std::shared_ptr<dao::Relation> relation = relations.Item(i);
        const QString table = relation->Table();
        const QString foreignTable = relation->ForeignTable();
        if (isChosen(table) && isChosen(foreignTable)) {
            d->relationWritten = true;
            d->writeRelation(*relation, table, foreignTable, isReplica);
        }
    }

    out.br(2).put(0, u"ExitProcedure:");
    out.br().put(1, u"Exit Sub");
    out.br(2).put(0, u"ErrorHandler:");
    out.br().put(1, kMsgBoxStatement);
    out.br().put(1, u"Resume ExitProcedure");
    out.br(2).line(0, u"End Sub");
}

bool ModuleWriter::relationWritten() const
{
    return d->relationWritten;
}

QString ModuleWriter::finish()
{
    const QString &db = d->style.varNameNewDB;
    const bool withRelations = d->style.includeRelations && d->relationWritten;

    CodePrinter &wrapper = d->wrapper;
    wrapper.br().line(1, d->indexesProc, u" ", db);
    if (withRelations)
        wrapper.br().line(1, d->relationsProc, u" ", db);
    wrapper.br().put(0, u"ExitProcedure:");
    wrapper.br().put(1, u"Exit Sub");
    wrapper.br(2).put(0, u"ErrorHandler:");
    wrapper.br().put(1, kMsgBoxStatement);
    wrapper.br().put(1, u"Resume ExitProcedure");
    wrapper.br(2).line(0, u"End Sub");

    CodePrinter &indexes = d->indexes;
    indexes.br(2).put(0, u"ExitProcedure:");
    indexes.br().put(1, u"Exit Sub");
    indexes.br(2).put(0, u"ErrorHandler:");
    indexes.br().put(1, u"Select Case Err.Number");
    indexes.br().put(2, u"Case 3284");
    indexes.br().put(3, u"'The Jet Engine automatically created this index when it created a "
                        u"relationship that uses the respective field");
    indexes.br().put(3, u"Resume Next");
    indexes.br().put(2, u"Case Else");
    indexes.br().put(3, kMsgBoxStatement);
    indexes.br().put(1, u"End Select");
    indexes.br().put(1, u"Resume ExitProcedure");
    indexes.br(2).line(0, u"End Sub");

    // The module is the table procedures with the wrapper in front and the
    // relations and indexes after them; room for all of it is made at once.
    CodePrinter &module = d->tables;
    module.reserve(wrapper.size() + module.size() + 4 + d->relations.size() + 2 + indexes.size());
    if (withRelations)
        module.br(2).appendText(d->relations.text());
    module.br();
    d->appendIndexes(module);
    if (d->style.includeDatabaseWrapper)
        module.prependText(wrapper.text());
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
    QString name = withoutBlanks(codeFilePath.mid(separator + 1));
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
