#pragma once
// A design property's value as the module writes it: a Basic expression of
// the property's DAO type that gives the stored value back exactly, or the
// reason there is none.
//
//   Boolean                True, False
//   Byte, Integer, Long    plain decimal, in the type's range
//   Currency               12.34@ (the @ makes it a Currency literal, exact
//                          and free of the locale CCur("...") would read
//                          the text in); amounts too large for a Double to
//                          carry exactly as (922337203685477@ + 0.5807@)
//   Single, Double         the shortest decimal that reads back as the same
//                          value (0.1, 1.5E+38)
//   Date                   CDate(35250.5): the serial number, which keeps
//                          fractions of a second a #...# literal would drop
//   Text, Memo, GUID       a text, for the caller to write as a Basic string
//
// None for binary values (the Binary and Long binary types, and types such
// as Decimal whose value comes as its stored bytes), numbers outside their
// type's range, NaN and the infinities, dates outside Basic's years 100 to
// 9999, and type codes DAO has no constant for.

#include <QString>
#include <QVariant>

namespace tabulo {

struct PropertyValueText {
    enum Kind { Expression, Text, None };
    Kind kind = None;
    // Expression: the Basic expression; Text: the text itself; None: why
    // the value cannot be written ("300 is out of range for dbByte").
    QString text;
};

// `type` is the DAO type code the value is stored with; `value` is what
// dao::Property::Value() serves for it.
PropertyValueText propertyValueText(int type, const QVariant &value);

}  // namespace tabulo
