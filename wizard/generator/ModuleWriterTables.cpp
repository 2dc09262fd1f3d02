// The table procedures, and the helper their design property lines call.

#include "wizard/generator/BasicLiteral.h"
#include "wizard/generator/ModuleWriterState.h"
#include "wizard/generator/PropertyValueText.h"
#include "wizard/generator/basDAOFunctions.h"

#include <algorithm>

namespace tabulo {

using namespace writer;

namespace {

// The variable a table procedure assembles a long property value in.
const QString kPropertyValueVariable = QStringLiteral("strPropertyValue");

// The field properties written as the field's members (Expression,
// AppendOnly). The properties the engine writes itself (ResultType,
// FCMin*Ver) are left to the reader of ACE files: a Jet 4 file saved by a
// newer Access holds ResultType too, and its module keeps that line.
bool isFieldMemberProperty(const QString &name)
{
    return name.compare(QLatin1StringView("Expression"), Qt::CaseInsensitive) == 0
           || name.compare(QLatin1StringView("AppendOnly"), Qt::CaseInsensitive) == 0;
}

}  // namespace

void ModuleWriter::State::writeTableProcedure(const schema::Table &table, const QString &procName)
{
    out.print("\n");   // the blank line before every table procedure
    const QStringView parameters = isCurrent() ? QStringView() : QStringView(dbParameter);
    printProcedure(out, {u"Private", procName, parameters}, kShowError, [&] {
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
                  {CodePrinter::quoted("table", table.name)});

        for (const schema::Field &field : table.fields)
            writeField(field, table.name);

        if (style.includeDesignProperties) {
            writeQuotedValue(style.varNameNewTable, "ValidationRule", table.validationRule);
            writeQuotedValue(style.varNameNewTable, "ValidationText", table.validationText);
        }
        out.print("$db$.TableDefs.Append $tdf$\n");
        writeJetSqlCalls();
        if (style.includeDesignProperties)
            writeDesignProperties(table);
    });
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
    printAssignedInParts(out, target, basicStringExpressionParts(value, kQuoteConstant, room));
}

// One line per further property of the table and its fields, after the
// table is appended (a property can only be added to an object the
// database holds). DAO keeps each object's properties apart, in the order
// the file stores them: the table's come first, then each field's in field
// order.
void ModuleWriter::State::writeDesignProperties(const schema::Table &table)
{
    valueVariableDeclared = false;
    designLinesBegun = false;
    writeDesignPropertiesOf(table.properties, nullptr);
    for (const schema::Field &field : table.fields) {
        // A field left out of the table takes its properties with it.
        if (field.storageType == 0)
            writeDesignPropertiesOf(field.properties, &field.name);
    }
}

// The blank line between the table's Append and its first design line.
void ModuleWriter::State::beginDesignLines()
{
    if (!designLinesBegun)
        out.print("\n");
    designLinesBegun = true;
}

// «SetDesignProperty target, "name", dbType, value» for each of
// `properties`, whose target is the table or, given `fieldName`, its field.
void ModuleWriter::State::writeDesignPropertiesOf(const QList<schema::Property> &properties,
                                                  const QString *fieldName)
{
    if (properties.isEmpty())
        return;
    const QString target = fieldName ? style.varNameNewTable + QStringLiteral(".Fields(")
                                           + basicStringLiteral(*fieldName) + u')'
                                     : style.varNameNewTable;
    for (const schema::Property &property : properties) {
        const QString &name = property.name;
        // A member the field's own lines set is not set again.
        if (fieldName && isFieldMemberProperty(name))
            continue;
        const int type = property.type;
        const PropertyValueText value = propertyValueText(type, property.value);
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
                             : assembledInVariable(out, kPropertyValueVariable, valueVariableDeclared,
                                                                   value.text, kQuoteConstant);
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
    const QString comment = QStringLiteral("'Left out: property %1 of %2: %3").arg(basicStringLiteral(name), target, why);
    out.print("$comment$\n", {{"comment", fittedComment(out, comment)}});
}

// Sets a design property of a table or field, creating it (error 3270,
// "Property not found") when the new object does not have it yet. Any other
// error is shown, and the next line goes on with the next property.
void ModuleWriter::State::writeSetDesignPropertyProcedure()
{
    printProcedure(out,
                   {u"Private", u"SetDesignProperty",
                    u"objTarget As Object, strName As String, intType As Integer, varValue As Variant"},
                   kCreateMissingProperty, [this] {
                       out.print("Dim blnCreate As Boolean\n"
                                 "\n"
                                 "objTarget.Properties(strName).Value = varValue\n"
                                 "If blnCreate Then objTarget.Properties.Append "
                                 "objTarget.CreateProperty(strName, intType, varValue)\n");
                   });
}

}  // namespace tabulo
