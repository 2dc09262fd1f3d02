#pragma once
// ArrayHelper: operations on a client's one-dimensional array - a Variant
// holding an array (lower bound 0) or a string list. Elements are compared as
// text; Null never equals anything.
//
// Errors carry the source "Pembry31.ArrayHelper".

#include "utility/Variant.h"

#include <QString>
#include <QStringList>

namespace pembry {

enum fisEnumCompareMethod : int {
    fisCompareBinary = 0,    // exact, case-sensitive
    fisCompareText = 1,      // letter case ignored
    fisCompareDatabase = 2,  // as fisCompareText
};

// Published with the library; no routine takes it.
enum fixEnumSortDirection : int {
    fisSortNone = 0,
    fisSortAscending = 1,
    fisSortDescending = 2,
};

class ArrayHelper {
public:
    // Adds `elementToAdd` to `myArray`. A value that is not an array becomes
    // the one-element array {elementToAdd}. With `arrayIsUnique`, an element
    // already present (compared with `compare`) is not added again. A negative
    // `addPosition` appends; 0..size inserts before that index. A position
    // beyond the end raises error 9 and leaves the array unchanged.
    void AddElementToArray(Variant &myArray, const Variant &elementToAdd, bool arrayIsUnique = true,
                           int compare = fisCompareText, int addPosition = -1) const;

    // True when an element of `myArray` equals `elementToCheck` as text
    // (fisCompareBinary: exactly; otherwise ignoring letter case). A value that
    // is not an array holds nothing.
    bool IsElementInArray(const Variant &myArray, const Variant &elementToCheck,
                          int compare = fisCompareText) const;

    // Removes element `elementToRemove` (0-based). When it was the only one,
    // `myArray` becomes an empty array; a value that is not an array becomes
    // one too. An index outside the array raises error 9 and changes nothing.
    // True when an element was removed.
    bool RemoveArrayItem(Variant &myArray, int elementToRemove) const;

    // The same for a string list; removing the only element, or removing from
    // an empty list, leaves a list of one empty string (as a dimensioned
    // String array of one element).
    bool RemoveStringArrayItem(QStringList &myArray, int elementToRemove) const;

    // Cuts `list` at every `separatorCharacter` (case-sensitive) into a Variant
    // array of trimmed pieces. The list is trimmed first and one separator at
    // its end is dropped («a, b ,c,» gives «a», «b», «c»). Returns the number
    // of separators, or 1 when there is none (then the array holds the whole
    // trimmed list, as it does for an empty separator).
    int ListToArray(Variant &returnedArray, const QString &list, const QString &separatorCharacter) const;
};

}  // namespace pembry
