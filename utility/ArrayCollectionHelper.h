#pragma once
// ArrayCollectionHelper: an ordered, 1-based collection built from a client's
// array, with optional text keys compared without regard to letter case.
// With ArrayIsUnique, elements are keyed by their text so that each appears
// once. The collection is absent until an array is assigned or an element
// added, and is released again when its last item is removed.
//
// RejectEmptyItems is kept for clients to read back; no routine consults it.
// Errors carry the source "Pembry31.ArrayCollectionHelper".

#include "utility/Variant.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace pembry {

class ArrayCollectionHelper {
public:
    bool RejectEmptyItems() const { return m_rejectEmptyItems; }
    void setRejectEmptyItems(bool value) { m_rejectEmptyItems = value; }

    bool ArrayIsUnique() const { return m_arrayIsUnique; }
    void setArrayIsUnique(bool value) { m_arrayIsUnique = value; }

    // The number of items (0 when there is no collection).
    qint32 Count() const;

    // The items as a new array 0..Count-1, which also becomes the stored
    // client array; Empty (stored as well) when there are none.
    Variant ClientArray();

    // Stores `value`. An array replaces the collection by its elements in
    // order; with ArrayIsUnique each is keyed by its text and a repeated one is
    // skipped (an element without a text - Null, an array - raises error 13 and
    // leaves the collection as it was). Anything else releases the collection.
    void setClientArray(const Variant &value);

    // Adds `elementToAdd`; with ArrayIsUnique under `key` (its text), or under
    // the element's own text when `key` is Empty. A key already present raises
    // error 457. `addPosition` 1..Count inserts before that item; a negative
    // value appends; any other position raises error 5.
    void Add(const Variant &elementToAdd, const Variant &key = Variant(), int addPosition = -1);

    // Removes the item at 1-based position `elementToRemove`; error 5 when
    // there is none.
    void Remove(int elementToRemove);

    // As ArrayHelper::ListToArray.
    int ListToArray(Variant &returnedArray, const QString &list, const QString &separatorCharacter) const;

private:
    struct Item {
        Variant value;
        std::optional<QString> key;   // case-folded
    };
    struct Collection {
        QList<Item> items;
        QSet<QString> keys;
    };

    bool m_rejectEmptyItems = true;
    bool m_arrayIsUnique = false;
    Variant m_clientArray;
    std::optional<Collection> m_collection;
};

}  // namespace pembry
