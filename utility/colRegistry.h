#pragma once
// The values CRegistryAdvanced has read: records kept in reading order,
// found by 1-based position or by name (letter case ignored).

#include "utility/clsRegKeyData.h"
#include "utility/Variant.h"

#include <QHash>
#include <QList>

namespace pembry {

class colRegistry {
public:
    // Raises 457 when a record of that name is already there.
    void Add(const clsRegKeyData &record);
    // A whole number is a 1-based position, anything else a name; a miss
    // raises 1200 ("Invalid Index" / "Name not Found in Current Key").
    const clsRegKeyData &Item(const Variant &indexOrName) const;
    bool Contains(const QString &name) const;
    qint32 Count() const { return qint32(m_items.size()); }
    void Remove(const Variant &indexOrName);
    void Clear();

    QList<clsRegKeyData>::const_iterator begin() const { return m_items.cbegin(); }
    QList<clsRegKeyData>::const_iterator end() const { return m_items.cend(); }

private:
    qsizetype indexOf(const Variant &indexOrName) const;

    QList<clsRegKeyData> m_items;
    QHash<QString, qsizetype> m_byName;   // folded name -> index
};

}  // namespace pembry
