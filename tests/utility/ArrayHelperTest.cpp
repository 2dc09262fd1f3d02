#include "utility/ArrayCollectionHelper.h"
#include "RaisedError.h"
#include "utility/ArrayHelper.h"
#include "utility/BasicError.h"

#include "Printing.h"

#include <gtest/gtest.h>

using namespace pembry;

namespace {
const ArrayHelper arrays;

Variant list(std::initializer_list<const char *> items)
{
    Variant::Array elements;
    for (const char *item : items)
        elements.append(Variant(item));
    return Variant(elements);
}

using testsupport::raisedNumber;
}  // namespace

TEST(ArrayHelper, AddElementCreatesGrowsAndInserts)
{
    Variant array;
    arrays.AddElementToArray(array, Variant("x"));
    EXPECT_EQ(array, list({"x"}));
    arrays.AddElementToArray(array, Variant("x"));
    EXPECT_EQ(array, list({"x"}));
    arrays.AddElementToArray(array, Variant("X"));
    EXPECT_EQ(array, list({"x"}));
    arrays.AddElementToArray(array, Variant("X"), true, fisCompareBinary);
    EXPECT_EQ(array, list({"x", "X"}));
    arrays.AddElementToArray(array, Variant("x"), false);
    EXPECT_EQ(array, list({"x", "X", "x"}));

    Variant abc = list({"a", "b", "c"});
    arrays.AddElementToArray(abc, Variant("new"), true, fisCompareText, 1);
    EXPECT_EQ(abc, list({"a", "new", "b", "c"}));
    arrays.AddElementToArray(abc, Variant("first"), true, fisCompareText, 0);
    arrays.AddElementToArray(abc, Variant("last"), true, fisCompareText, 5);
    EXPECT_EQ(abc, list({"first", "a", "new", "b", "c", "last"}));

    EXPECT_EQ(raisedNumber([&] { arrays.AddElementToArray(abc, Variant("z"), true, fisCompareText, 9); }),
              err::SubscriptOutOfRange);
    EXPECT_EQ(abc.toArray().size(), 6);

    Variant text(QStringLiteral("not an array"));
    arrays.AddElementToArray(text, Variant(5));
    EXPECT_EQ(text, Variant(Variant::Array{Variant(5)}));
}

TEST(ArrayHelper, IsElementInArrayComparesAsText)
{
    const Variant array(Variant::Array{Variant("Äpfel"), Variant(12), Variant::null(), Variant()});
    EXPECT_TRUE(arrays.IsElementInArray(array, Variant("äpfel")));
    EXPECT_FALSE(arrays.IsElementInArray(array, Variant("äpfel"), fisCompareBinary));
    EXPECT_TRUE(arrays.IsElementInArray(array, Variant("12")));
    EXPECT_TRUE(arrays.IsElementInArray(array, Variant(QString())));   // the Empty element
    EXPECT_FALSE(arrays.IsElementInArray(array, Variant::null()));
    EXPECT_FALSE(arrays.IsElementInArray(Variant(), Variant("x")));
}

TEST(ArrayHelper, RemoveArrayItem)
{
    Variant array = list({"a", "b", "c"});
    EXPECT_TRUE(arrays.RemoveArrayItem(array, 1));
    EXPECT_EQ(array, list({"a", "c"}));
    EXPECT_EQ(raisedNumber([&] { arrays.RemoveArrayItem(array, 2); }), err::SubscriptOutOfRange);
    EXPECT_EQ(raisedNumber([&] { arrays.RemoveArrayItem(array, -1); }), err::SubscriptOutOfRange);
    EXPECT_EQ(array, list({"a", "c"}));
    EXPECT_TRUE(arrays.RemoveArrayItem(array, 1));
    EXPECT_TRUE(arrays.RemoveArrayItem(array, 0));
    EXPECT_EQ(array, Variant(Variant::Array{}));
    EXPECT_FALSE(arrays.RemoveArrayItem(array, 0));

    Variant notArray;
    EXPECT_FALSE(arrays.RemoveArrayItem(notArray, 0));
    EXPECT_EQ(notArray, Variant(Variant::Array{}));
}

TEST(ArrayHelper, RemoveStringArrayItem)
{
    QStringList names = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    EXPECT_TRUE(arrays.RemoveStringArrayItem(names, 0));
    EXPECT_EQ(names, (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(raisedNumber([&] { arrays.RemoveStringArrayItem(names, 5); }), err::SubscriptOutOfRange);
    EXPECT_TRUE(arrays.RemoveStringArrayItem(names, 1));
    EXPECT_TRUE(arrays.RemoveStringArrayItem(names, 0));
    EXPECT_EQ(names, QStringList{QString()});
    QStringList empty;
    EXPECT_FALSE(arrays.RemoveStringArrayItem(empty, 0));
    EXPECT_EQ(empty, QStringList{QString()});
}

TEST(ArrayHelper, ListToArray)
{
    Variant result;
    EXPECT_EQ(arrays.ListToArray(result, QStringLiteral("a, b ,c,"), QStringLiteral(",")), 2);
    EXPECT_EQ(result, list({"a", "b", "c"}));
    EXPECT_EQ(arrays.ListToArray(result, QStringLiteral(" a "), QStringLiteral(",")), 1);
    EXPECT_EQ(result, list({"a"}));
    EXPECT_EQ(arrays.ListToArray(result, QStringLiteral("a,b"), QStringLiteral(",")), 1);
    EXPECT_EQ(result, list({"a", "b"}));
    EXPECT_EQ(arrays.ListToArray(result, QStringLiteral("a,,b"), QStringLiteral(",")), 2);
    EXPECT_EQ(result, list({"a", "", "b"}));
    EXPECT_EQ(arrays.ListToArray(result, QStringLiteral("x;;y;;"), QStringLiteral(";;")), 1);
    EXPECT_EQ(result, list({"x", "y"}));
    EXPECT_EQ(arrays.ListToArray(result, QStringLiteral("Köln|Zürich"), QStringLiteral("|")), 1);
    EXPECT_EQ(result, list({"Köln", "Zürich"}));
    EXPECT_EQ(arrays.ListToArray(result, QString(), QStringLiteral(",")), 1);
    EXPECT_EQ(result, list({""}));
    EXPECT_EQ(arrays.ListToArray(result, QStringLiteral("a,b"), QString()), 1);
    EXPECT_EQ(result, list({"a,b"}));
}

TEST(ArrayCollectionHelper, StartsAbsentWithItsDefaults)
{
    ArrayCollectionHelper helper;
    EXPECT_TRUE(helper.RejectEmptyItems());
    EXPECT_FALSE(helper.ArrayIsUnique());
    EXPECT_EQ(helper.Count(), 0);
    EXPECT_TRUE(helper.ClientArray().isEmpty());
}

TEST(ArrayCollectionHelper, UniqueArraysDropRepeatsIgnoringCase)
{
    ArrayCollectionHelper helper;
    helper.setArrayIsUnique(true);
    helper.setClientArray(list({"a", "A", "b", "ä", "Ä"}));
    EXPECT_EQ(helper.Count(), 3);
    EXPECT_EQ(helper.ClientArray(), list({"a", "b", "ä"}));

    helper.setArrayIsUnique(false);
    helper.setClientArray(list({"a", "A"}));
    EXPECT_EQ(helper.Count(), 2);

    helper.setClientArray(Variant(QStringLiteral("no array")));
    EXPECT_EQ(helper.Count(), 0);
    EXPECT_TRUE(helper.ClientArray().isEmpty());
}

TEST(ArrayCollectionHelper, AnElementWithoutTextLeavesTheCollectionAsItWas)
{
    ArrayCollectionHelper helper;
    helper.setArrayIsUnique(true);
    helper.setClientArray(list({"a"}));
    EXPECT_EQ(raisedNumber([&] { helper.setClientArray(Variant(Variant::Array{Variant("b"), Variant::null()})); }),
              err::TypeMismatch);
    EXPECT_EQ(helper.ClientArray(), list({"a"}));
}

TEST(ArrayCollectionHelper, AddAndRemove)
{
    ArrayCollectionHelper helper;
    helper.setArrayIsUnique(true);
    helper.Add(Variant("b"));
    helper.Add(Variant("a"), Variant(), 1);
    helper.Add(Variant("c"), Variant("third"));
    EXPECT_EQ(helper.ClientArray(), list({"a", "b", "c"}));
    EXPECT_EQ(raisedNumber([&] { helper.Add(Variant("B")); }), err::DuplicateKey);
    EXPECT_EQ(raisedNumber([&] { helper.Add(Variant("x"), Variant("THIRD")); }), err::DuplicateKey);
    EXPECT_EQ(raisedNumber([&] { helper.Add(Variant("x"), Variant(), 0); }), err::InvalidCall);
    EXPECT_EQ(raisedNumber([&] { helper.Add(Variant("x"), Variant(), 4); }), err::InvalidCall);
    EXPECT_EQ(helper.Count(), 3);

    helper.Remove(2);
    helper.Add(Variant("B"));   // its key is free again
    EXPECT_EQ(helper.ClientArray(), list({"a", "c", "B"}));
    EXPECT_EQ(raisedNumber([&] { helper.Remove(0); }), err::InvalidCall);
    EXPECT_EQ(raisedNumber([&] { helper.Remove(4); }), err::InvalidCall);
    helper.Remove(1);
    helper.Remove(1);
    helper.Remove(1);
    EXPECT_EQ(helper.Count(), 0);
    EXPECT_TRUE(helper.ClientArray().isEmpty());
    EXPECT_EQ(raisedNumber([&] { helper.Remove(1); }), err::InvalidCall);

    ArrayCollectionHelper plain;
    plain.Add(Variant("x"));
    plain.Add(Variant("x"));
    EXPECT_EQ(plain.Count(), 2);
}
