#include "wizard/generator/BasicLiteral.h"

#include "wizard/generator/Windows1252.h"

#include <algorithm>
#include <limits>

namespace tabulo {
namespace {

// Writes the parts of one expression: runs of literal characters and whole
// terms (constants, function calls), joined by " & ". When the next piece
// would make the current part longer than `maxLength`, a new part begins.
class ExpressionBuilder {
public:
    explicit ExpressionBuilder(qsizetype maxLength) : m_maxLength(maxLength) {}

    // Characters that stand inside the quotes; a doubled quote comes as one
    // piece of two, so that it is never cut.
    void literal(QStringView chars)
    {
        const qsizetype needed = chars.size() + 1 + (m_inLiteral ? 0 : separatorLength() + 1);
        if (!m_current.isEmpty() && m_current.size() + needed > m_maxLength)
            newPart();
        if (!m_inLiteral) {
            separate();
            m_current += u'"';
            m_inLiteral = true;
        }
        m_current += chars;
    }

    void term(QStringView text)
    {
        closeLiteral();
        if (!m_current.isEmpty() && m_current.size() + separatorLength() + text.size() > m_maxLength)
            newPart();
        separate();
        m_current += text;
    }

    QStringList finish()
    {
        closeLiteral();
        if (!m_current.isEmpty())
            m_parts.append(std::move(m_current));
        if (m_parts.isEmpty())
            m_parts.append(QStringLiteral("\"\""));
        return std::move(m_parts);
    }

private:
    qsizetype separatorLength() const { return m_current.isEmpty() ? 0 : 3; }
    void separate()
    {
        if (!m_current.isEmpty())
            m_current += QLatin1StringView(" & ");
    }
    void closeLiteral()
    {
        if (m_inLiteral) {
            m_current += u'"';
            m_inLiteral = false;
        }
    }
    void newPart()
    {
        closeLiteral();
        m_parts.append(std::exchange(m_current, QString()));
    }

    qsizetype m_maxLength;
    QStringList m_parts;
    QString m_current;
    bool m_inLiteral = false;
};

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7F;
}

QStringList build(QStringView text, QStringView quoteConstant, qsizetype maxLength)
{
    ExpressionBuilder out(maxLength);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'"') {
            if (quoteConstant.isEmpty())
                out.literal(u"\"\"");
            else
                out.term(quoteConstant);
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out.term(u"vbCrLf");
            ++i;
        } else if (isControl(c)) {
            out.term(QStringLiteral("Chr(%1)").arg(int(c)));
        } else if (!fitsWindows1252(c)) {
            out.term(QStringLiteral("ChrW(%1)").arg(int(c)));
        } else {
            out.literal(text.sliced(i, 1));
        }
    }
    return out.finish();
}

constexpr qsizetype kUnlimited = std::numeric_limits<qsizetype>::max() / 2;

// True when every character stands inside the quotes as it is. Most names
// and values are such text: they need no builder, only the quotes around.
bool isPlain(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u != u'"' && !isControl(u) && fitsWindows1252(u);
    });
}

QString quoted(QStringView text)
{
    QString literal;
    literal.reserve(text.size() + 2);
    literal += u'"';
    literal += text;
    literal += u'"';
    return literal;
}

}  // namespace

QString basicStringLiteral(QStringView text)
{
    if (isPlain(text))
        return quoted(text);
    return build(text, {}, kUnlimited).constFirst();
}

QString basicStringExpression(QStringView text, QStringView quoteConstant)
{
    if (isPlain(text))
        return quoted(text);
    return build(text, quoteConstant, kUnlimited).constFirst();
}

QStringList basicStringExpressionParts(QStringView text, QStringView quoteConstant,
                                       qsizetype maxLength)
{
    if (isPlain(text) && text.size() + 2 <= maxLength)
        return {quoted(text)};
    return build(text, quoteConstant, maxLength);
}

}  // namespace tabulo
