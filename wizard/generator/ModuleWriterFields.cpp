// The lines of a table procedure that create one field: CreateField, its
// settings, and the Append. Besides the fields of Jet, those only ACE has:
// attachments and multi-valued fields, calculated fields, append-only
// memos, Large Number and Date/Time Extended. A column whose storage type
// no DAO type names gets a comment line in its place.

#include "wizard/generator/AttributeNames.h"
#include "wizard/generator/BasicLiteral.h"
#include "wizard/generator/ModuleWriterState.h"
#include "wizard/generator/basDAOFunctions.h"

namespace tabulo {

using namespace writer;

namespace {

// Attachments and multi-valued fields: DAO makes their hidden parts itself.
bool isComplex(qint32 type)
{
    return type >= dao::dbAttachment && type <= dao::dbComplexText;
}

// Types whose CreateField takes no size: a fixed width, or (complex) the
// width of the values, which only a multi-valued text has.
bool takesSize(qint32 type)
{
    if (type == dao::dbComplexText)
        return true;
    return !isComplex(type) && type != dao::dbBigInt && type != dao::dbDateTimeExtended;
}

}  // namespace

// A calculated field takes its value from its expression: Access gives it
// no default, validation, Required or AllowZeroLength. An attachment or
// multi-valued field gets its attributes from the engine.
void ModuleWriter::State::writeField(const schema::Field &field, const QString &tableName)
{
    const QString &name = field.name;
    if (field.storageType != 0) {
        writeLeftOutField(name, field.storageType);
        return;
    }
    const qint32 type = field.type;
    const QString typeName = FieldTypeAsText(type);
    if (type == dao::dbDecimal && holdsNoDecimal())
        out.print("'Jet 3 cannot hold a Decimal: this field needs a Jet 4 or ACE database\n");
    if (takesSize(type))
        out.print("Set $fld$ = $tdf$.CreateField($name$, $type$, $size$)\n",
                  {CodePrinter::quoted("name", name), {"type", typeName}, {"size", QString::number(field.size)}});
    else
        out.print("Set $fld$ = $tdf$.CreateField($name$, $type$)\n",
                  {CodePrinter::quoted("name", name), {"type", typeName}});
    if (!isComplex(type) && field.attributes > 2)
        out.print("$fld$.Attributes = $attributes$\n", {{"attributes", AttributesField(field.attributes)}});
    if (!field.expression.isEmpty()) {
        writeQuotedValue(style.varNameNewField, "Expression", field.expression);
    } else {
        if (type == dao::dbText || type == dao::dbMemo)
            out.print("$fld$.AllowZeroLength = $allow$\n", {{"allow", boolText(field.allowZeroLength)}});
        writeQuotedValue(style.varNameNewField, "DefaultValue", field.defaultValue);
        out.print("$fld$.Required = $required$\n", {{"required", boolText(field.required)}});
        writeQuotedValue(style.varNameNewField, "ValidationRule", field.validationRule);
        writeQuotedValue(style.varNameNewField, "ValidationText", field.validationText);
    }
    if (field.appendOnly)
        out.print("$fld$.AppendOnly = True\n");
    out.print("$tdf$.Fields.Append $fld$\n"
              "\n");
    noteDecimal(field, tableName);
}

// One comment line where the field's lines would stand: the name as a
// Basic string (a line break in it becomes vbCrLf or Chr(10)), cut to fit.
void ModuleWriter::State::writeLeftOutField(const QString &name, int storageType)
{
    const QString code = QStringLiteral("0x") + QString::number(storageType, 16).toUpper().rightJustified(2, u'0');
    QString comment = QStringLiteral("'Left out: field %1: its storage type %2 has no DAO type")
                          .arg(basicStringLiteral(name), code);
    const qsizetype room = kMaxLineLength - out.indentWidth();
    if (comment.size() > room)
        comment = comment.left(room - 3) + QStringLiteral("...");
    out.print("$comment$\n"
              "\n",
              {{"comment", comment}});
}

}  // namespace tabulo
