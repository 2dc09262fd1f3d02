// The Indexes procedure, and the Relations procedure, whose relationships
// decide which indexes the Indexes procedure leaves out.

#include "wizard/generator/AttributeNames.h"
#include "wizard/generator/BasicLiteral.h"
#include "wizard/generator/ModuleWriterState.h"

namespace tabulo {

using namespace writer;

namespace {

// A foreign table and its key fields, as Jet compares names (without case).
QString foreignIndexKey(const QString &table, const QStringList &fields)
{
    return (table + QChar(0) + fields.join(QChar(0))).toLower();
}

}  // namespace

void ModuleWriter::State::writeTableIndexes(const dao::TableDef &table, const QString &tableName)
{
    const dao::Indexes &tableIndexes = table.Indexes();
    const int count = tableIndexes.Count();
    if (count == 0)
        return;
    indexes.print("Set tdf = $db$.TableDefs($table$)\n", {CodePrinter::quoted("table", tableName)});
    // The fields the table procedure left out, as Jet compares names.
    QSet<QString> leftOut;
    const dao::Fields &fields = table.Fields();
    for (int i = 0; i < fields.Count(); ++i) {
        const std::shared_ptr<dao::Field> field = fields.Item(i);
        if (field->StorageType() != 0)
            leftOut.insert(field->Name().toLower());
    }
    for (int i = 0; i < count; ++i) {
        const std::shared_ptr<dao::Index> index = tableIndexes.Item(i);
        if (const QString missing = leftOutKey(*index, leftOut); !missing.isEmpty()) {
            const CodePrinter::Indented deeper = indexes.indented();   // where the index's block would stand
            writeLeftOutComment(indexes, QStringLiteral("index"), index->Name(), missing);
        } else
            writeIndex(*index, tableName);
    }
}

// The first key field of `index` that is in `leftOut`; empty when none is.
QString ModuleWriter::State::leftOutKey(const dao::Index &index, const QSet<QString> &leftOut)
{
    if (leftOut.isEmpty())
        return {};
    const dao::Fields &fields = index.Fields();
    for (int i = 0; i < fields.Count(); ++i) {
        const QString name = fields.Item(i)->Name();
        if (leftOut.contains(name.toLower()))
            return name;
    }
    return {};
}

// The first field of `relation`, in either table, that a table procedure
// left out; empty when none is. Jet compares names without case.
QString ModuleWriter::State::leftOutRelationField(const dao::Relation &relation, const QString &table,
                                                  const QString &foreignTable) const
{
    if (leftOutFields.isEmpty())
        return {};
    const auto isLeftOut = [this](const QString &tableName, const QString &fieldName) {
        for (const LeftOutField &f : leftOutFields) {
            if (f.table.compare(tableName, Qt::CaseInsensitive) == 0
                && f.field.compare(fieldName, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    };
    const dao::Fields &fields = relation.Fields();
    for (int i = 0; i < fields.Count(); ++i) {
        const std::shared_ptr<dao::Field> field = fields.Item(i);
        if (isLeftOut(table, field->Name()))
            return field->Name();
        if (isLeftOut(foreignTable, field->ForeignName()))
            return field->ForeignName();
    }
    return {};
}

// One comment line where an index or relationship over a left-out field
// would stand: the new table has no such field to build it on.
void ModuleWriter::State::writeLeftOutComment(CodePrinter &out, const QString &kind, const QString &name,
                                              const QString &field) const
{
    const QString comment = QStringLiteral("'Left out: %1 %2: its field %3 is left out")
                                .arg(kind, basicStringLiteral(name), basicStringLiteral(field));
    out.print("$comment$\n"
              "\n",
              {{"comment", fittedComment(out, comment)}});
}

// One index's block, printed apart: an index the engine keeps for a
// relationship waits in a part of its own until the relationships are known.
void ModuleWriter::State::writeIndex(const dao::Index &index, const QString &tableName)
{
    CodePrinter &out = indexBlock;
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

    if (index.Foreign() && style.includeRelations) {
        if (indexes.size() > 0) {
            indexParts.append({indexes.take(), QString()});
            indexes.indent();
        }
        indexParts.append({out.take(), foreignIndexKey(tableName, fieldNames)});
    } else {
        indexes.appendText(out.text());
        out.clear();
    }
    out.indent();
}

// The Indexes procedure around the parts of its body; the blocks of indexes
// a written relationship recreates are left out.
void ModuleWriter::State::writeIndexesProcedure(CodePrinter &out) const
{
    printProcedure(out, {u"Private", indexesProc, dbParameter}, kSkipRecreatedIndex, [&] {
        out.print("Dim tdf As TableDef\n"
                  "Dim $fld$ As Field\n"
                  "Dim $indx$ As Index\n"
                  "\n");
        for (const IndexPart &part : indexParts) {
            if (part.foreignKey.isEmpty() || !recreatedIndexes.contains(part.foreignKey))
                out.appendText(part.text);
        }
        out.appendText(indexes.text());
    });
}

void ModuleWriter::State::writeRelations(const dao::Relations &source,
                                         const std::function<bool(const QString &)> &isChosen,
                                         bool isReplica)
{
    CodePrinter &out = relations;
    out.clear();
    relationWritten = false;
    recreatedIndexes.clear();

    printProcedure(out, {u"Private", relationsProc, dbParameter}, kShowError, [&] {
        out.print("Dim $rel$ As Relation\n"
                  "Dim $fld$ As Field\n"
                  "\n"
                  "'Create Relationships\n");
        const int count = source.Count();
        for (int i = 0; i < count; ++i) {
            const std::shared_ptr<dao::Relation> relation = source.Item(i);
            const QString table = relation->Table();
            const QString foreignTable = relation->ForeignTable();
            if (!isChosen(table) || !isChosen(foreignTable))
                continue;
            if (const QString missing = leftOutRelationField(*relation, table, foreignTable); !missing.isEmpty()) {
                writeLeftOutComment(out, QStringLiteral("relationship"), relation->Name(), missing);
                continue;
            }
            relationWritten = true;
            writeRelation(*relation, table, foreignTable, isReplica);
        }
        out.print("\n");   // one more blank line after the last relationship's
    });
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

}  // namespace tabulo
