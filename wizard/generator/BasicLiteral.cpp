#include "wizard/generator/BasicLiteral.h"

#include "wizard/generator/Windows1252.h"

namespace tabulo {
namespace {

// Writes the parts of one expression: runs of literal characters and whole
// terms (constants, function calls), joined by " & ".
class ExpressionBuilder {
public:
    void literalChar(QChar c)
    {
        if (!m_inLiteral) {
            separate();
            m_out += u'"';
            m_inLiteral = true;
        }
        m_out += c;
    }

    void term(QStringView text)
    {
        closeLiteral();
        separate();
        m_out += text;
    }

    QString finish()
    {
        closeLiteral();
        if (m_out.isEmpty())
            return QStringLiteral("\"\"");
        return std::move(m_out);
    }

private:
    void separate()
    {
        if (!m_out.isEmpty())
            m_out += QLatin1StringView(" & ");
    }
    void closeLiteral()
    {
        if (m_inLiteral) {
            m_out += u'"';
            m_inLiteral = false;
        }
    }

    QString m_out;
    bool m_inLiteral = false;
};

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7F;
}

QString build(QStringView text, QStringView quoteConstant)
{
    ExpressionBuilder out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'"') {
            if (quoteConstant.isEmpty()) {
                out.literalChar(u'"');
                out.literalChar(u'"');
            } else {
                out.term(quoteConstant);
            }
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out.term(u"vbCrLf");
            ++i;
        } else if (isControl(c)) {
            out.term(QStringLiteral("Chr(%1)").arg(int(c)));
        } else if (!fitsWindows1252(c)) {
            out.term(QStringLiteral("ChrW(%1)").arg(int(c)));
        } else {
            out.literalChar(text[i]);
        }
    }
    return out.finish();
}

}  // namespace

QString basicStringLiteral(QStringView text)
{
    return build(text, {});
}

QString basicStringExpression(QStringView text, QStringView quoteConstant)
{
    return build(text, quoteConstant);
}

}  // namespace tabulo
