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

// The relationships written: both their tables chosen and none of their
// fields left out; the foreign-key index each recreates is noted.
void ModuleWriter::State::planRelations()
{
    for (const schema::Relation &relation : source->relations) {
        if (!isWrittenRelation(relation))
            continue;
        relationWritten = true;
        QStringList foreignNames;
        for (const schema::RelationField &field : relation.fields)
            foreignNames.append(field.foreignName);
        recreatedIndexes.insert(foreignIndexKey(relation.foreignTable, foreignNames));
    }
}

bool ModuleWriter::State::isWrittenRelation(const schema::Relation &relation) const
{
    return chosenNames.contains(relation.table) && chosenNames.contains(relation.foreignTable)
           && leftOutRelationField(relation).isEmpty();
}

void ModuleWriter::State::writeTableIndexes(const schema::Table &table)
{
    if (table.indexes.isEmpty())
        return;
    out.print("Set tdf = $db$.TableDefs($table$)\n", {CodePrinter::quoted("table", table.name)});
    // The fields the table procedure left out, as Jet compares names.
    QSet<QString> leftOut;
    for (const schema::Field &field : table.fields) {
        if (field.storageType != 0)
            leftOut.insert(field.name.toLower());
    }
    for (const schema::Index &index : table.indexes) {
        if (const QString missing = leftOutKey(index, leftOut); !missing.isEmpty()) {
            const CodePrinter::Indented deeper = out.indented();   // where the index's block would stand
            writeLeftOutComment(QStringLiteral("index"), index.name, missing);
        } else if (!index.foreign || !recreatedIndexes.contains(foreignIndexKey(table.name, index.fields))) {
            writeIndex(index);
        }
    }
}

// The first key field of `index` that is in `leftOut`; empty when none is.
QString ModuleWriter::State::leftOutKey(const schema::Index &index, const QSet<QString> &leftOut)
{
    if (leftOut.isEmpty())
        return {};
    for (const QString &name : index.fields) {
        if (leftOut.contains(name.toLower()))
            return name;
    }
    return {};
}

// The first field of `relation`, in either table, that a table procedure
// left out; empty when none is. Jet compares names without case.
QString ModuleWriter::State::leftOutRelationField(const schema::Relation &relation) const
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
    for (const schema::RelationField &field : relation.fields) {
        if (isLeftOut(relation.table, field.name))
            return field.name;
        if (isLeftOut(relation.foreignTable, field.foreignName))
            return field.foreignName;
    }
    return {};
}

// One comment line where an index or relationship over a left-out field
// would stand: the new table has no such field to build it on.
void ModuleWriter::State::writeLeftOutComment(const QString &kind, const QString &name, const QString &field)
{
    const QString comment = QStringLiteral("'Left out: %1 %2: its field %3 is left out")
                                .arg(kind, basicStringLiteral(name), basicStringLiteral(field));
    out.print("$comment$\n"
              "\n",
              {{"comment", fittedComment(out, comment)}});
}

void ModuleWriter::State::writeIndex(const schema::Index &index)
{
    out.print("\tSet $indx$ = tdf.CreateIndex($name$)\n", {CodePrinter::quoted("name", index.name)});
    for (qsizetype k = 0; k < index.fields.size(); ++k) {
        out.print("\t\tSet $fld$ = $indx$.CreateField($name$)\n", {CodePrinter::quoted("name", index.fields[k])});
        if (style.includeDesignProperties && index.isDescending(k))
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
              {{"ignoreNulls", boolText(index.ignoreNulls)},
               {"primary", boolText(index.primary)},
               {"required", boolText(index.required)},
               {"unique", boolText(index.unique)}});
}

// The Indexes procedure: every chosen table's indexes but those a written
// relationship recreates.
void ModuleWriter::State::writeIndexesProcedure()
{
    printProcedure(out, {u"Private", indexesProc, dbParameter}, kSkipRecreatedIndex, [&] {
        out.print("Dim tdf As TableDef\n"
                  "Dim $fld$ As Field\n"
                  "Dim $indx$ As Index\n"
                  "\n");
        for (const schema::Table *table : source->tables)
            writeTableIndexes(*table);
    });
}

void ModuleWriter::State::writeRelations()
{
    printProcedure(out, {u"Private", relationsProc, dbParameter}, kShowError, [&] {
        out.print("Dim $rel$ As Relation\n"
                  "Dim $fld$ As Field\n"
                  "\n"
                  "'Create Relationships\n");
        for (const schema::Relation &relation : source->relations) {
            if (!chosenNames.contains(relation.table) || !chosenNames.contains(relation.foreignTable))
                continue;
            if (const QString missing = leftOutRelationField(relation); !missing.isEmpty())
                writeLeftOutComment(QStringLiteral("relationship"), relation.name, missing);
            else
                writeRelation(relation);
        }
        out.print("\n");   // one more blank line after the last relationship's
    });
}

void ModuleWriter::State::writeRelation(const schema::Relation &relation)
{
    out.print("Set $rel$ = $db$.CreateRelation($name$)\n"
              "$rel$.Table = $table$\n"
              "$rel$.ForeignTable = $foreignTable$\n",
              {CodePrinter::quoted("name", relation.name), CodePrinter::quoted("table", relation.table),
               CodePrinter::quoted("foreignTable", relation.foreignTable)});
    out.print("$rel$.Attributes = $attributes$\n", {{"attributes", AttributesRelation(relation.attributes)}});
    if (source->replica && relation.partialReplica)
        out.print("$rel$.PartialReplica = True\n");
    for (const schema::RelationField &field : relation.fields) {
        out.print("Set $fld$ = $rel$.CreateField($name$)\n"
                  "$fld$.ForeignName = $foreignName$\n"
                  "$rel$.Fields.Append $fld$\n",
                  {CodePrinter::quoted("name", field.name), CodePrinter::quoted("foreignName", field.foreignName)});
    }
    out.print("$db$.Relations.Append $rel$\n"
              "\n");
}

}  // namespace tabulo
