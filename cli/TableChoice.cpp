#include "cli/TableChoice.h"

#include "wizard/generator/DisplayText.h"
#include "utility/BasicError.h"

#include <vector>

namespace tabulo::cli {

TableChoice::TableChoice(QStringList listed) : m_listed(std::move(listed))
{
    m_exact.reserve(m_listed.size() * 2);
    m_folded.reserve(m_listed.size() * 2);
    for (int i = 0; i < m_listed.size(); ++i) {
        const QString &name = m_listed.at(i);
        add(name, i, true);
        if (const QString shown = escapedForDisplay(name); shown != name)
            add(shown, i, false);
    }
}

void TableChoice::add(const QString &key, int index, bool isName)
{
    // A table's own name wins over another's shown form.
    if (isName || !m_exact.contains(key))
        m_exact.insert(key, index);
    const QString folded = key.toCaseFolded();
    const auto it = m_folded.constFind(folded);
    if (it == m_folded.cend())
        m_folded.insert(folded, index);
    else if (it.value() != index)
        m_folded[folded] = kAmbiguous;
}

int TableChoice::find(const QString &name) const
{
    if (const auto it = m_exact.constFind(name); it != m_exact.cend())
        return it.value();
    return m_folded.value(name.toCaseFolded(), -1);
}

QStringList TableChoice::choose(const QStringList &requested, const QString &source) const
{
    if (requested.isEmpty())
        return m_listed;
    std::vector<bool> wanted(size_t(m_listed.size()), false);
    for (const QString &name : requested) {
        const int index = find(name);
        if (index < 0)
            pembry::raiseError(3265, QStringLiteral("tabulo-cli"),
                               QStringLiteral("The table \"%1\" is not among the tables of \"%2\" "
                                              "(tabulo-cli --list-tables lists them).")
                                   .arg(name, source));
        wanted[size_t(index)] = true;
    }
    QStringList chosen;
    for (int i = 0; i < m_listed.size(); ++i) {
        if (wanted[size_t(i)])
            chosen.append(m_listed.at(i));
    }
    return chosen;
}

}  // namespace tabulo::cli
