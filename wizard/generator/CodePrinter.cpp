#include "wizard/generator/CodePrinter.h"

namespace tabulo {

CodePrinter &CodePrinter::br(int count)
{
    for (int i = 0; i < count; ++i)
        m_text += QLatin1StringView("\r\n");
    return *this;
}

CodePrinter &CodePrinter::appendText(const QString &text)
{
    m_text += text;
    return *this;
}

void CodePrinter::appendIndent(int level)
{
    while (m_indents.size() <= level)
        m_indents.append(m_indentUnit.repeated(m_indents.size()));
    m_text += m_indents.at(level);
}

void CodePrinter::append(QStringView piece)
{
    Q_ASSERT(!piece.contains(u'\r') && !piece.contains(u'\n'));
    m_text += piece;
}

}  // namespace tabulo
