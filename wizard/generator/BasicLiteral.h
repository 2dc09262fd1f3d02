#pragma once
// Basic string expressions that evaluate to exactly a given text, written on
// one line of a module stored in Windows-1252:
// - printable characters stand inside double quotes;
// - a double quote is doubled inside the quotes, or, where a constant
//   holding one double quote is at hand, written as that constant;
// - CR LF becomes vbCrLf, any other control character Chr(n), and a
//   character Windows-1252 cannot hold ChrW(n);
// - the parts are joined with " & ".
// «n/a» gives «"n/a"»; «a"b» gives «"a""b"»; two lines give
// «"one" & vbCrLf & "two"»; the empty text gives «""».

#include <QString>
#include <QStringList>
#include <QStringView>

namespace tabulo {

// Double quotes doubled inside the literal: for names, paths and passwords.
QString basicStringLiteral(QStringView text);

// Double quotes written as `quoteConstant`: for stored expressions, which
// often hold quotes. «"n/a"» gives «mcstrQuote & "n/a" & mcstrQuote»,
// «0» gives «"0"».
QString basicStringExpression(QStringView text, QStringView quoteConstant);

// basicStringExpression() cut into parts of at most `maxLength` characters
// (a single piece longer than that stands alone), each a complete
// expression, so that a long value can be assigned over several lines.
QStringList basicStringExpressionParts(QStringView text, QStringView quoteConstant,
                                       qsizetype maxLength);

}  // namespace tabulo
