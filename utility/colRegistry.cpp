#include "utility/colRegistry.h"

#include "utility/BasicError.h"
#include "utility/internal/RegistryStore.h"

namespace pembry {

namespace {
const QString kSource = QStringLiteral("Registry Collection");
constexpr int kCollectionError = 1200;

QString fold(const QString &name)
{
    return registry::foldName(name);
}
}  // namespace

void colRegistry::Add(const clsRegKeyData &record)
{
    const QString folded = fold(record.Name());
    if (m_byName.contains(folded))
        raiseError(err::DuplicateKey, kSource);
    m_byName.insert(folded, m_items.size());
    m_items.append(record);
}

qsizetype colRegistry::indexOf(const Variant &indexOrName) const
{
    if (indexOrName.kind() == Variant::Kind::Integer) {
        const qint64 position = indexOrName.toInteger();
        if (position < 1 || position > m_items.size())
            throw BasicError(kCollectionError, kSource, QStringLiteral("Invalid Index"));
        return qsizetype(position - 1);
    }
    const auto it = m_byName.constFind(fold(indexOrName.toString()));
    if (it == m_byName.constEnd())
        throw BasicError(kCollectionError, kSource, QStringLiteral("Name not Found in Current Key"));
    return *it;
}

const clsRegKeyData &colRegistry::Item(const Variant &indexOrName) const
{
    return m_items[indexOf(indexOrName)];
}

bool colRegistry::Contains(const QString &name) const
{
    return m_byName.contains(fold(name));
}

void colRegistry::Remove(const Variant &indexOrName)
{
    const qsizetype index = indexOf(indexOrName);
    m_items.removeAt(index);
    m_byName.clear();
    for (qsizetype i = 0; i < m_items.size(); ++i)
        m_byName.insert(fold(m_items[i].Name()), i);
}

void colRegistry::Clear()
{
    m_items.clear();
    m_byName.clear();
}

}  // namespace pembry
