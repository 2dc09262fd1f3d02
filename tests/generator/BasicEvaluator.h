#pragma once
// Evaluates the string expressions the module writer writes, as Basic would:
// literals with doubled quotes, the quote constant, vbCrLf, Chr(n) and
// ChrW(n), joined by " & ". Anything else fails the test.

#include <gtest/gtest.h>

#include <QString>

inline QString evaluateBasicString(const QString &expression, const QString &quoteConstant = QStringLiteral("mcstrQuote"))
{
    QString value;
    qsizetype i = 0;
    const auto startsWith = [&](const QString &word) { return expression.mid(i).startsWith(word); };
    while (i < expression.size()) {
        if (expression[i] == u'"') {
            ++i;
            for (;;) {
                if (i >= expression.size()) {
                    ADD_FAILURE() << "unterminated literal in " << expression.toStdString();
                    return value;
                }
                if (expression[i] == u'"') {
                    if (i + 1 < expression.size() && expression[i + 1] == u'"') {
                        value += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += expression[i++];
            }
        } else if (startsWith(quoteConstant)) {
            value += u'"';
            i += quoteConstant.size();
        } else if (startsWith(QStringLiteral("vbCrLf"))) {
            value += QStringLiteral("\r\n");
            i += 6;
        } else if (startsWith(QStringLiteral("Chr(")) || startsWith(QStringLiteral("ChrW("))) {
            const qsizetype open = expression.indexOf(u'(', i);
            const qsizetype close = expression.indexOf(u')', open);
            value += QChar(char16_t(expression.mid(open + 1, close - open - 1).toInt()));
            i = close + 1;
        } else {
            ADD_FAILURE() << "unexpected text at " << i << " in " << expression.toStdString();
            return value;
        }
        if (i < expression.size()) {
            if (!startsWith(QStringLiteral(" & "))) {
                ADD_FAILURE() << "missing \" & \" at " << i << " in " << expression.toStdString();
                return value;
            }
            i += 3;
        }
    }
    return value;
}
