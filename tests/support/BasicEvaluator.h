#pragma once
// Evaluates the expressions the module writer writes, as Basic would:
// string expressions (literals with doubled quotes, the quote constant,
// vbCrLf, Chr(n) and ChrW(n), joined by " & ") and the values of design
// properties. Anything else fails the test.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

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

// The value of the expression a module writes for a design property of DAO
// type `type`, in the C++ type the engine serves such values in (bool, int,
// qlonglong ten-thousandths, float, double, QString): True/False, a decimal
// number (12, -0.5, 1.5E+38), a Currency amount (12.34@, or
// (922337203685477@ + 0.5807@)), CDate(serial), or a string expression.
// Anything else fails the test and gives an invalid QVariant.
inline QVariant evaluateBasicValue(const QString &expression, int type)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?(E[+-][0-9]+)?$"));
    static const QRegularExpression amount(QStringLiteral("^(-?)([0-9]+)(?:\\.([0-9]{1,4}))?@$"));
    const auto decimal = [&](const QString &text) -> std::optional<double> {
        if (!number.match(text).hasMatch())
            return std::nullopt;
        return text.toDouble();
    };
    const auto tenThousandths = [&](const QString &term) -> std::optional<qlonglong> {
        const QRegularExpressionMatch m = amount.match(term);
        if (!m.hasMatch())
            return std::nullopt;
        const qlonglong units = m.captured(2).toLongLong() * 10000 + m.captured(3).leftJustified(4, u'0').toLongLong();
        return m.captured(1).isEmpty() ? units : -units;
    };
    const auto fail = [&]() {
        ADD_FAILURE() << "not a Basic value of type " << type << ": " << expression.toStdString();
        return QVariant();
    };
    switch (type) {
    case 1:
        if (expression == QLatin1String("True") || expression == QLatin1String("False"))
            return expression == QLatin1String("True");
        return fail();
    case 2: case 3: case 4: {
        bool ok = false;
        const int value = expression.toInt(&ok);
        return ok && QString::number(value) == expression ? QVariant(value) : fail();
    }
    case 5: {
        if (const auto single = tenThousandths(expression))
            return *single;
        // (whole@ + fraction@) or (whole@ - fraction@)
        static const QRegularExpression sum(QStringLiteral("^\\((\\S+@) ([+-]) (0\\.[0-9]{1,4}@)\\)$"));
        const QRegularExpressionMatch m = sum.match(expression);
        if (!m.hasMatch())
            return fail();
        const std::optional<qint64> whole = tenThousandths(m.captured(1));
        const std::optional<qint64> fraction = tenThousandths(m.captured(3));
        if (!whole || !fraction)
            return fail();
        return m.captured(2) == QLatin1String("+") ? whole.value() + fraction.value()
                                                   : whole.value() - fraction.value();
    }
    case 6: {
        const auto value = decimal(expression);
        return value ? QVariant(float(*value)) : fail();
    }
    case 7: {
        const auto value = decimal(expression);
        return value ? QVariant(*value) : fail();
    }
    case 8: {
        const bool call = expression.startsWith(QLatin1String("CDate(")) && expression.endsWith(u')');
        const auto value = call ? decimal(expression.mid(6).chopped(1)) : std::nullopt;
        return value ? QVariant(*value) : fail();
    }
    default:
        return evaluateBasicString(expression);
    }
}

// The module's logical lines: physical lines ending in " _" joined with the
// next, the indent of a continued line dropped.
inline QStringList statements(const QString &module)
{
    QStringList result;
    QString pending;
    for (const QString &line : module.split(QLatin1StringView("\r\n"))) {
        const QString piece = pending.isEmpty() ? line : line.trimmed();
        if (line.endsWith(QLatin1StringView(" _"))) {
            pending += piece.chopped(1);
            continue;
        }
        result.append(pending + piece);
        pending.clear();
    }
    return result;
}

// The value the module gives the local `variable`: «variable = part» and
// «variable = variable & part» lines evaluated in order.
inline QString assembledValue(const QStringList &lines, const QString &variable)
{
    QStringList parts;
    const QString first = variable + QStringLiteral(" = ");
    const QString again = first + variable + QStringLiteral(" & ");
    for (const QString &line : lines) {
        const QString text = line.trimmed();
        if (text.startsWith(again))
            parts.append(text.mid(again.size()));
        else if (text.startsWith(first))
            parts = {text.mid(first.size())};
    }
    return evaluateBasicString(parts.join(QLatin1StringView(" & ")));
}
