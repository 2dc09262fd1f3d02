#include "wizard/generator/CodePrinter.h"

#include <algorithm>

namespace tabulo {

CodePrinter &CodePrinter::br(int count)
{
    for (int i = 0; i < count; ++i)
        m_text += QStringView(u"\r\n");
    return *this;
}

CodePrinter &CodePrinter::appendText(QStringView text)
{
    m_text += text;
    return *this;
}

CodePrinter &CodePrinter::prependText(QStringView text)
{
    // QString::prepend() may copy the whole text into a new block; resizing
    // grows the block where it is, and the old text then moves up inside it.
    const qsizetype oldSize = m_text.size();
    m_text.resize(oldSize + text.size());
    QChar *data = m_text.data();
    std::move_backward(data, data + oldSize, data + m_text.size());
    std::copy(text.begin(), text.end(), data);
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
