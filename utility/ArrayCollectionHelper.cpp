#include "utility/ArrayCollectionHelper.h"

#include "utility/ArrayHelper.h"
#include "utility/BasicError.h"

namespace pembry {

namespace {
const QString kSource = QStringLiteral("Pembry31.ArrayCollectionHelper");

// The key under which a value is kept: its text, letter case folded.
QString keyOf(const Variant &value)
{
    if (value.isNull() || value.isArray())
        raiseError(err::TypeMismatch, kSource,
                   QStringLiteral("Type mismatch: a collection key must be a text, not Null or an array."));
    try {
        return value.toString().toCaseFolded();
    } catch (const BasicError &e) {
        throw e.withSource(kSource);
    }
}
}  // namespace

qint32 ArrayCollectionHelper::Count() const
{
    return m_collection ? qint32(m_collection->items.size()) : 0;
}

Variant ArrayCollectionHelper::ClientArray()
{
    if (!m_collection || m_collection->items.isEmpty()) {
        m_clientArray = Variant();
        return m_clientArray;
    }
    Variant::Array elements;
    elements.reserve(m_collection->items.size());
    for (const Item &item : m_collection->items)
        elements.append(item.value);
    m_clientArray = Variant(elements);
    return m_clientArray;
}

void ArrayCollectionHelper::setClientArray(const Variant &value)
{
    if (!value.isArray()) {
        m_clientArray = value;
        m_collection.reset();
        return;
    }
    Collection built;
    for (const Variant &element : value.toArray()) {
        if (!m_arrayIsUnique) {
            built.items.append({element, std::nullopt});
            continue;
        }
        const QString key = keyOf(element);
        if (built.keys.contains(key))
            continue;
        built.keys.insert(key);
        built.items.append({element, key});
    }
    m_clientArray = value;
    m_collection = std::move(built);
}

void ArrayCollectionHelper::Add(const Variant &elementToAdd, const Variant &key, int addPosition)
{
    const qsizetype count = Count();
    if (addPosition >= 0 && (addPosition < 1 || addPosition > count))
        raiseError(err::InvalidCall, kSource,
                   QStringLiteral("Invalid procedure call or argument: Add cannot insert before item %1 of a "
                                  "collection of %2 items.")
                       .arg(addPosition)
                       .arg(count));
    Item item{elementToAdd, std::nullopt};
    if (m_arrayIsUnique) {
        item.key = keyOf(key.isEmpty() ? elementToAdd : key);
        if (m_collection && m_collection->keys.contains(*item.key))
            raiseError(err::DuplicateKey, kSource);
    }
    if (!m_collection)
        m_collection.emplace();
    if (item.key)
        m_collection->keys.insert(*item.key);
    if (addPosition < 0)
        m_collection->items.append(std::move(item));
    else
        m_collection->items.insert(addPosition - 1, std::move(item));
}

void ArrayCollectionHelper::Remove(int elementToRemove)
{
    const qint32 count = Count();
    if (elementToRemove < 1 || elementToRemove > count)
        raiseError(err::InvalidCall, kSource,
                   QStringLiteral("Invalid procedure call or argument: there is no item %1 in a collection of "
                                  "%2 items.")
                       .arg(elementToRemove)
                       .arg(count));
    const Item removed = m_collection->items.takeAt(elementToRemove - 1);
    if (removed.key)
        m_collection->keys.remove(*removed.key);
    if (m_collection->items.isEmpty())
        m_collection.reset();
}

int ArrayCollectionHelper::ListToArray(Variant &returnedArray, const QString &list,
                                       const QString &separatorCharacter) const
{
    return ArrayHelper().ListToArray(returnedArray, list, separatorCharacter);
}

}  // namespace pembry
