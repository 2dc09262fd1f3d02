#pragma once
// Plain functions about DAO objects.

#include <QString>

namespace tabulo {

// The DAO constant name of a field type code («dbLong» for 4); empty text
// for a code DAO does not define. A failure is raised again with the
// source "Function - FieldTypeAsText".
QString FieldTypeAsText(qint32 typeCode);

}  // namespace tabulo
