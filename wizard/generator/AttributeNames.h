#pragma once
// The attribute bits of a field or a relationship as the Basic expression
// that sets them: the DAO constant names joined by " Or ".

#include "wizard/engine/DaoCodes.h"

#include <QString>

namespace tabulo {

// Bits 16, 1, 32768, 8192, 32 and 2 of the field's attributes, in that
// order; bit 1 is named both dbDescending and dbFixedField (the same value).
// Other bits are not written; with none of the six set the text is «0», so
// an assignment of it always compiles.
QString AttributesField(qint32 attributes);

// Bits 1, 2, 4, 256 and 4096 of the relationship's attributes, in that
// order; other bits (the join types) are not written; with none of the five
// set the text is «0».
QString AttributesRelation(qint32 attributes);

}  // namespace tabulo
