#include "utility/ArrayHelper.h"

#include "utility/BasicError.h"
#include "utility/basPublicNotCreateableFunctions.h"

namespace pembry {

namespace {
const QString kSource = QStringLiteral("Pembry31.ArrayHelper");

bool equalAsText(const Variant &a, const Variant &b, int compare)
{
    if (a.isNull() || b.isNull())
        return false;
    const Qt::CaseSensitivity cs = compare == fisCompareBinary ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return a.toString().compare(b.toString(), cs) == 0;
}

[[noreturn]] void raiseOutOfRange(const QString &routine, int index, qsizetype size)
{
    raiseError(err::SubscriptOutOfRange, kSource,
               QStringLiteral("Subscript out of range: %1 has no position %2 in an array of %3 elements.")
                   .arg(routine)
                   .arg(index)
                   .arg(size));
}
}  // namespace

void ArrayHelper::AddElementToArray(Variant &myArray, const Variant &elementToAdd, bool arrayIsUnique,
                                    int compare, int addPosition) const
{
    if (!myArray.isArray()) {
        myArray = Variant(Variant::Array{elementToAdd});
        return;
    }
    if (arrayIsUnique && IsElementInArray(myArray, elementToAdd, compare))
        return;
    Variant::Array &elements = myArray.array();
    if (addPosition < 0) {
        elements.append(elementToAdd);
        return;
    }
    if (addPosition > elements.size())
        raiseOutOfRange(QStringLiteral("AddElementToArray"), addPosition, elements.size());
    elements.insert(addPosition, elementToAdd);
}

bool ArrayHelper::IsElementInArray(const Variant &myArray, const Variant &elementToCheck, int compare) const
{
    if (!myArray.isArray())
        return false;
    try {
        for (const Variant &element : myArray.toArray()) {
            if (equalAsText(element, elementToCheck, compare))
                return true;
        }
    } catch (const BasicError &e) {
        throw e.withSource(kSource);
    }
    return false;
}

bool ArrayHelper::RemoveArrayItem(Variant &myArray, int elementToRemove) const
{
    if (!myArray.isArray() || myArray.toArray().isEmpty()) {
        myArray = Variant(Variant::Array{});
        return false;
    }
    Variant::Array &elements = myArray.array();
    if (elementToRemove < 0 || elementToRemove >= elements.size())
        raiseOutOfRange(QStringLiteral("RemoveArrayItem"), elementToRemove, elements.size());
    elements.removeAt(elementToRemove);
    return true;
}

bool ArrayHelper::RemoveStringArrayItem(QStringList &myArray, int elementToRemove) const
{
    if (myArray.isEmpty()) {
        myArray = QStringList{QString()};
        return false;
    }
    if (elementToRemove < 0 || elementToRemove >= myArray.size())
        raiseOutOfRange(QStringLiteral("RemoveStringArrayItem"), elementToRemove, myArray.size());
    if (myArray.size() == 1) {
        myArray = QStringList{QString()};
        return true;
    }
    myArray.removeAt(elementToRemove);
    return true;
}

int ArrayHelper::ListToArray(Variant &returnedArray, const QString &list, const QString &separatorCharacter) const
{
    QString trimmed = basicTrim(list);
    if (!separatorCharacter.isEmpty() && trimmed.endsWith(separatorCharacter, Qt::CaseSensitive))
        trimmed = basicTrim(QStringView(trimmed).chopped(separatorCharacter.size()));
    if (separatorCharacter.isEmpty() || !trimmed.contains(separatorCharacter, Qt::CaseSensitive)) {
        returnedArray = Variant(Variant::Array{Variant(trimmed)});
        return 1;
    }
    const QStringList pieces = trimmed.split(separatorCharacter, Qt::KeepEmptyParts, Qt::CaseSensitive);
    Variant::Array elements;
    elements.reserve(pieces.size());
    for (const QString &piece : pieces)
        elements.append(Variant(basicTrim(piece)));
    returnedArray = Variant(std::move(elements));
    return int(pieces.size() - 1);
}

}  // namespace pembry
