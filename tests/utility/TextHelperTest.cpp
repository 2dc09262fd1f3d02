#include "utility/BasicError.h"
#include "RaisedError.h"
#include "utility/TextHelper.h"
#include "utility/basPublicNotCreateableFunctions.h"

#include "Printing.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace pembry;

namespace {
const TextHelper text;

int errorNumber(const std::function<void()> &call, QString *source = nullptr)
{
    const BasicError e = testsupport::raisedError(call);
    if (source && e.number() != 0)
        *source = e.source();
    return e.number();
}

// Evaluates a Basic string expression made of "..." literals and the quote
// constant joined by " & ", as the generated code would at run time.
QString evaluate(const QString &expression, const QString &quoteConstant)
{
    QString value;
    qsizetype i = 0;
    while (i < expression.size()) {
        if (expression[i] == QLatin1Char('"')) {
            const qsizetype close = expression.indexOf(QLatin1Char('"'), i + 1);
            EXPECT_GE(close, 0) << qPrintable(expression);
            if (close < 0)
                return {};
            value += expression.mid(i + 1, close - i - 1);
            i = close + 1;
        } else if (expression.mid(i).startsWith(quoteConstant)) {
            value += QLatin1Char('"');
            i += quoteConstant.size();
        } else {
            ADD_FAILURE() << "unexpected text at " << i << " in " << qPrintable(expression);
            return {};
        }
        if (expression.mid(i).startsWith(QLatin1String(" & ")))
            i += 3;
    }
    return value;
}

// The line the generator builds around ReplaceQuotesWithConstant.
QString quotedValue(const QString &stored)
{
    QString line = text.ReplaceQuotesWithConstant(stored, QStringLiteral("mcstrQuote"));
    if (!stored.startsWith(QLatin1Char('"')))
        line.prepend(QLatin1Char('"'));
    if (!stored.endsWith(QLatin1Char('"')))
        line.append(QLatin1Char('"'));
    return line;
}
}  // namespace

TEST(TextHelperCharacterCount, CountsSingleCharactersOnly)
{
    EXPECT_EQ(text.CharacterCount(QString(), QStringLiteral(",")), QStringLiteral("0"));
    EXPECT_EQ(text.CharacterCount(QStringLiteral("a,b,,c"), QStringLiteral(",")), QStringLiteral("3"));
    EXPECT_EQ(text.CharacterCount(QStringLiteral("a,b,,c"), QStringLiteral(",,")), QStringLiteral("0"));
    EXPECT_EQ(text.CharacterCount(QStringLiteral("a,b"), QString()), QStringLiteral("0"));
    EXPECT_EQ(text.CharacterCount(QStringLiteral("aAa"), QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(text.CharacterCount(QStringLiteral("äöä"), QStringLiteral("ä")), QStringLiteral("2"));
    EXPECT_EQ(text.CharacterCount(QStringLiteral("x😀y😀"), QStringLiteral("😀")), QStringLiteral("2"));
}

TEST(TextHelperCharacterCount, CountsBeyondSixteenBits)
{
    EXPECT_EQ(text.CharacterCount(QString(40000, QLatin1Char(',')), QStringLiteral(",")), QStringLiteral("40000"));
}

TEST(TextHelperReplaceText, ReplacesAndTrimsTheRest)
{
    EXPECT_EQ(text.ReplaceText(QStringLiteral("a, b, c "), QString(), QStringLiteral(";")),
              QStringLiteral("a, b, c "));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("a, b, c "), QStringLiteral(","), QStringLiteral(";")),
              QStringLiteral("a;b;c"));
    // Nothing found: the text comes back as it was, trailing blanks too.
    EXPECT_EQ(text.ReplaceText(QStringLiteral(" a b  "), QStringLiteral(","), QStringLiteral(";")),
              QStringLiteral(" a b  "));
    // Blanks before an occurrence stay; the text's leading blanks stay.
    EXPECT_EQ(text.ReplaceText(QStringLiteral("  a ,  b"), QStringLiteral(","), QStringLiteral(";")),
              QStringLiteral("  a ;b"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("ab,   "), QStringLiteral(","), QStringLiteral(";")),
              QStringLiteral("ab;"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("a,,b"), QStringLiteral(","), QString()), QStringLiteral("ab"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("a  b "), QStringLiteral(" "), QStringLiteral("_")),
              QStringLiteral("a_b"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("x--y -- z"), QStringLiteral("--"), QStringLiteral("+")),
              QStringLiteral("x+y +z"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("Größe, Maß"), QStringLiteral(","), QStringLiteral("·")),
              QStringLiteral("Größe·Maß"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("aAa"), QStringLiteral("a"), QStringLiteral("b")),
              QStringLiteral("bAb"));
}

TEST(TextHelperReplaceText, NewTextHoldingTheSearchedTextIsInsertedOnce)
{
    EXPECT_EQ(text.ReplaceText(QStringLiteral("a,b,c"), QStringLiteral(","), QStringLiteral(",,")),
              QStringLiteral("a,,b,,c"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("aab"), QStringLiteral("ab"), QStringLiteral("xaby")),
              QStringLiteral("axaby"));
    EXPECT_EQ(fnReplaceText(QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("xx")), QStringLiteral("xx"));
}

namespace {
// The rule ReplaceText keeps, followed literally: replace the leftmost
// occurrence, trim the rest, search again from the start, until none is
// left. Nothing when that takes more than `limit` replacements or grows
// the text beyond `limit` characters.
std::optional<QString> replacedByTheRule(QString subject, const QString &what, const QString &with,
                                         int limit = 2000)
{
    for (int step = 0;; ++step) {
        const qsizetype at = subject.indexOf(what);
        if (at < 0)
            return subject;
        if (step == limit || subject.size() > limit)
            return std::nullopt;
        subject = subject.left(at) + with + basicTrim(QStringView(subject).sliced(at + what.size()));
    }
}

QString randomText(std::mt19937 &random, const QString &alphabet, int minLength, int maxLength)
{
    QString result;
    const int length = std::uniform_int_distribution<int>(minLength, maxLength)(random);
    std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
    for (int i = 0; i < length; ++i)
        result += alphabet[pick(random)];
    return result;
}
}  // namespace

TEST(TextHelperReplaceText, ReplacesUntilNoOccurrenceIsLeft)
{
    // A replacement can form a new occurrence with the text before it.
    EXPECT_EQ(text.ReplaceText(QStringLiteral("abb"), QStringLiteral("ab"), QStringLiteral("a")), QStringLiteral("a"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("aabb"), QStringLiteral("ab"), QString()), QString());
    EXPECT_EQ(text.ReplaceText(QStringLiteral("((x))"), QStringLiteral("()"), QString()), QStringLiteral("((x))"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("(()())x"), QStringLiteral("()"), QString()), QStringLiteral("x"));
    // ... or with the text after it, once the blanks between are gone.
    EXPECT_EQ(text.ReplaceText(QStringLiteral("ab ab"), QStringLiteral("ab"), QStringLiteral("a")),
              QStringLiteral("aa"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("xab  b"), QStringLiteral("ab"), QStringLiteral("a")),
              QStringLiteral("xa"));
    EXPECT_EQ(text.ReplaceText(QStringLiteral("x( )y"), QStringLiteral("( )"), QStringLiteral("(")),
              QStringLiteral("x(y"));
}

TEST(TextHelperReplaceText, AgreesWithTheRuleOnManySmallTexts)
{
    std::mt19937 random(11);
    struct Sizes {
        QString alphabet;
        int text, what, with;
    };
    // Short search texts, and longer ones that overlap themselves («abab»).
    for (const Sizes &sizes : {Sizes{QStringLiteral("ab"), 10, 3, 3}, Sizes{QStringLiteral("ab "), 10, 3, 3},
                               Sizes{QStringLiteral("aab  "), 10, 3, 3}, Sizes{QStringLiteral("ab"), 16, 5, 6}}) {
        int compared = 0;
        for (int i = 0; i < 20000; ++i) {
            const QString subject = randomText(random, sizes.alphabet, 0, sizes.text);
            const QString what = randomText(random, sizes.alphabet, 1, sizes.what);
            const QString with = randomText(random, sizes.alphabet, 0, sizes.with);
            if (with.contains(what))
                continue;       // the rule never ends
            const std::optional<QString> expected = replacedByTheRule(subject, what, with);
            if (!expected)
                continue;
            ++compared;
            ASSERT_EQ(text.ReplaceText(subject, what, with), *expected)
                << '"' << subject.toStdString() << "\" \"" << what.toStdString() << "\" \""
                << with.toStdString() << '"';
        }
        EXPECT_GT(compared, 10000) << sizes.alphabet.toStdString();
    }
}

TEST(TextHelperReplaceText, ARuleThatKeepsGrowingTheTextIsRefused)
{
    // Every «ab» becomes «bba»: the text doubles with each «a».
    const QString subject = QString(40, u'a') + u'b';
    QString source;
    EXPECT_EQ(errorNumber([&] { text.ReplaceText(subject, QStringLiteral("ab"), QStringLiteral("bba")); }, &source), 5);
    EXPECT_EQ(source, QStringLiteral("fnReplaceText"));
    // A short run of the same rule is fine.
    EXPECT_EQ(text.ReplaceText(QStringLiteral("aab"), QStringLiteral("ab"), QStringLiteral("bba")),
              QStringLiteral("bbbbaa"));
}

TEST(TextHelperReplaceQuotesWithConstant, LeavesTextWithoutQuotesUntouched)
{
    EXPECT_EQ(text.ReplaceQuotesWithConstant(QStringLiteral("  Now()  ")), QStringLiteral("  Now()  "));
    EXPECT_EQ(text.ReplaceQuotesWithConstant(QString()), QString());
}

TEST(TextHelperReplaceQuotesWithConstant, RewritesEveryQuote)
{
    EXPECT_EQ(text.ReplaceQuotesWithConstant(QStringLiteral("\"n/a\"")),
              QStringLiteral("cstrQuote & \"n/a\" & cstrQuote"));
    EXPECT_EQ(text.ReplaceQuotesWithConstant(QStringLiteral(" In (\"A\",\"B\") "), QStringLiteral("mcstrQuote")),
              QStringLiteral("In (\" & mcstrQuote & \"A\" & mcstrQuote & \",\" & mcstrQuote & \"B\" & mcstrQuote "
                             "& \")"));
    EXPECT_EQ(text.ReplaceQuotesWithConstant(QStringLiteral("\"")), QStringLiteral("cstrQuote"));
    EXPECT_EQ(text.ReplaceQuotesWithConstant(QStringLiteral("\"\"")),
              QStringLiteral("cstrQuote & \"\" & cstrQuote"));
}

TEST(TextHelperReplaceQuotesWithConstant, GeneratedExpressionGivesTheStoredTextBack)
{
    const QStringList stored = {
        QStringLiteral("\"n/a\""), QStringLiteral("\"\""), QStringLiteral("\""), QStringLiteral("\"\"\""),
        QStringLiteral("a\""), QStringLiteral("\"a"), QStringLiteral("a\"\"b"), QStringLiteral("In (\"A\",\"B\")"),
        QStringLiteral("x = \"1\" Or y = \"\""), QStringLiteral("Like \"*\"\"*\""), QStringLiteral("\"Grüße\""),
    };
    for (const QString &value : stored)
        EXPECT_EQ(evaluate(quotedValue(value), QStringLiteral("mcstrQuote")), value) << qPrintable(value);
}

TEST(TextHelperBlanks, RemoveExtraSpacesFollowsTheRunRules)
{
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral("a  b")), QStringLiteral("a b"));
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral("   a")), QStringLiteral(" a"));
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral(" a")), QStringLiteral(" a"));
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral("a  ")), QStringLiteral("a "));
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral("a  b c  d   ")), QStringLiteral("a b c d"));
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral("a b ")), QStringLiteral("a b "));
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral("a\t\tb")), QStringLiteral("a\t\tb"));
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral("ä    ö")), QStringLiteral("ä ö"));
    EXPECT_EQ(text.RemoveExtraSpaces(QStringLiteral("    ")), QStringLiteral(" "));
    EXPECT_EQ(text.RemoveExtraSpaces(QString()), QString());
}

TEST(TextHelperBlanks, RemoveAllSpacesRemovesBlanksOnly)
{
    EXPECT_EQ(text.RemoveAllSpaces(QStringLiteral("  a b  ")), QStringLiteral("ab"));
    EXPECT_EQ(text.RemoveAllSpaces(QStringLiteral("Order Details")), QStringLiteral("OrderDetails"));
    EXPECT_EQ(text.RemoveAllSpaces(QStringLiteral("a\tb\u00A0c")), QStringLiteral("a\tb\u00A0c"));
    EXPECT_EQ(text.RemoveAllSpaces(QStringLiteral("Straße  Nr")), QStringLiteral("StraßeNr"));
    EXPECT_EQ(text.RemoveAllSpaces(QStringLiteral("   ")), QString());
}

TEST(TextHelperNulls, KeepEmptyAndNullApart)
{
    EXPECT_TRUE(text.EmptyStringToNull(QString()).isNull());
    EXPECT_EQ(text.EmptyStringToNull(QStringLiteral(" ")), Variant(QStringLiteral(" ")));
    EXPECT_EQ(text.NullToZ(Variant::null(), Variant(0)), Variant(0));
    EXPECT_TRUE(text.NullToZ(Variant(), Variant(0)).isEmpty());
    EXPECT_EQ(text.NullToZ(Variant(QStringLiteral("x")), Variant(0)), Variant(QStringLiteral("x")));
}

TEST(TextHelperLetters, NumberToLetterAndBack)
{
    EXPECT_EQ(text.NumberToLetter(1), QStringLiteral("A"));
    EXPECT_EQ(text.NumberToLetter(26), QStringLiteral("Z"));
    EXPECT_EQ(text.NumberToLetter(27), QString());
    EXPECT_EQ(text.NumberToLetter(255), QString());
    EXPECT_EQ(errorNumber([] { text.NumberToLetter(0); }), err::InvalidCall);
    EXPECT_EQ(errorNumber([] { text.NumberToLetter(256); }), err::Overflow);
    EXPECT_EQ(errorNumber([] { text.NumberToLetter(-1); }), err::Overflow);

    EXPECT_EQ(text.LetterToNumber(QStringLiteral("c")), 3);
    EXPECT_EQ(text.LetterToNumber(QStringLiteral("C")), 3);
    EXPECT_EQ(text.LetterToNumber(QStringLiteral("CD")), 3);
    EXPECT_EQ(text.LetterToNumber(QStringLiteral("CE")), 0);
    EXPECT_EQ(text.LetterToNumber(QString()), 1);
    EXPECT_EQ(text.LetterToNumber(QStringLiteral("ä")), 0);
}

TEST(TextHelperLetters, LetterGrouping)
{
    EXPECT_EQ(text.LetterGrouping(QStringLiteral("K"), 5, fisUpperCase), QStringLiteral("KLMNO"));
    EXPECT_EQ(text.LetterGrouping(QStringLiteral("E"), 3, fisLowerCase), QStringLiteral("def"));
    EXPECT_EQ(text.LetterGrouping(QStringLiteral("Z"), 5, fisUpperCase), QStringLiteral("Z"));
    EXPECT_EQ(text.LetterGrouping(QStringLiteral("A"), 40, 7), QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(text.LetterGrouping(QStringLiteral("EF"), 3, fisUpperCase), QStringLiteral("DEF"));
    QString source;
    EXPECT_EQ(errorNumber([] { text.LetterGrouping(QStringLiteral("k"), 5, fisUpperCase); }, &source),
              err::Overflow);
    EXPECT_EQ(source, QStringLiteral("Pembry31.TextHelper"));
    EXPECT_EQ(errorNumber([] { text.LetterGrouping(QStringLiteral("EF"), 5, fisUpperCase); }), err::Overflow);
    EXPECT_EQ(errorNumber([] { text.LetterGrouping(QStringLiteral("K"), 0, fisUpperCase); }), err::InvalidCall);
    EXPECT_EQ(errorNumber([] { text.LetterGrouping(QStringLiteral("K"), -3, fisUpperCase); }), err::InvalidCall);
}

TEST(TextHelperLineFeeds, BareLineFeedsBecomeCrLf)
{
    const auto fix = [](const QString &s) { return text.ReplaceChr10withCrLf(Variant(s)).toString(); };
    EXPECT_EQ(fix(QStringLiteral("a\nb\nc")), QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(fix(QStringLiteral("a\r\nb")), QStringLiteral("a\r\nb"));
    EXPECT_EQ(fix(QStringLiteral("\na")), QStringLiteral("\na"));
    EXPECT_EQ(fix(QStringLiteral("\n\n")), QStringLiteral("\n\r\n"));
    EXPECT_EQ(fix(QStringLiteral("a\r\n\nb")), QStringLiteral("a\r\n\r\nb"));
    EXPECT_EQ(fix(QStringLiteral("ü\n")), QStringLiteral("ü\r\n"));
    EXPECT_TRUE(text.ReplaceChr10withCrLf(Variant::null()).isNull());
    EXPECT_TRUE(text.ReplaceChr10withCrLf(Variant()).isEmpty());
    EXPECT_EQ(text.ReplaceChr10withCrLf(Variant(QString())), Variant(QString()));
    EXPECT_EQ(text.ReplaceChr10withCrLf(Variant(5)), Variant(QStringLiteral("5")));
}

TEST(TextHelperSql, BooleanSearch)
{
    const QString field = QStringLiteral("Colour");
    EXPECT_EQ(text.BooleanSearch(QStringLiteral("red AND blue"), field),
              QStringLiteral("WHERE Colour Like '%red%' AND Colour Like '%blue%'"));
    EXPECT_EQ(text.BooleanSearch(QStringLiteral("red"), field), QStringLiteral("Colour Like '%red%'"));
    EXPECT_EQ(text.BooleanSearch(QStringLiteral("red and blue"), field),
              QStringLiteral("Colour Like '%red and blue%'"));
    EXPECT_EQ(text.BooleanSearch(QStringLiteral("a AND b AND c"), field, fisWildCardNone),
              QStringLiteral("WHERE Colour = 'a' AND Colour = 'b' AND Colour = 'c'"));
    EXPECT_EQ(text.BooleanSearch(QStringLiteral("a AND b"), field, fisWildCardAfter, QStringLiteral("*")),
              QStringLiteral("WHERE Colour Like 'a*' AND Colour Like 'b*'"));
    EXPECT_EQ(text.BooleanSearch(QStringLiteral("O'Neil"), field, fisWildCardBefore),
              QStringLiteral("Colour Like '%O'Neil'"));
    EXPECT_EQ(text.BooleanSearch(QStringLiteral("a AND b"), field, 0), QString());
    EXPECT_EQ(text.BooleanSearch(QStringLiteral("a"), field, 5), QString());
}

TEST(TextHelperSql, SQLHandleQuotesAndApostrophes)
{
    const QString name = QStringLiteral("O'Brien");
    EXPECT_EQ(text.SQLHandleQuotesAndApostrophes(name, fisWildCardNone), QStringLiteral("'O''Brien'"));
    EXPECT_EQ(text.SQLHandleQuotesAndApostrophes(name, fisWildCardAfter), QStringLiteral("'O''Brien%'"));
    EXPECT_EQ(text.SQLHandleQuotesAndApostrophes(name, fisWildCardBefore, QStringLiteral("*")),
              QStringLiteral("'*O''Brien'"));
    EXPECT_EQ(text.SQLHandleQuotesAndApostrophes(QStringLiteral("''"), fisWildCardBeforeAndAfter),
              QStringLiteral("'%''''%'"));
    EXPECT_EQ(text.SQLHandleQuotesAndApostrophes(name, 9), QString());
}

TEST(TextHelperFileNames, ReplaceInvalidCharactersKeepsTheLength)
{
    EXPECT_EQ(text.ReplaceInvalidCharacters(QStringLiteral("a\\b/c:d*e?f|g\"h<i>j")),
              QStringLiteral("a-b-c-d-e-f-g-h-i-j"));
    EXPECT_EQ(text.ReplaceInvalidCharacters(QStringLiteral("Ärger: 1.txt")), QStringLiteral("Ärger- 1.txt"));
}

TEST(TextHelperNumbers, RoundHalfToEvenThroughBinaryFloatingPoint)
{
    EXPECT_EQ(text.Round(Variant::null(), 2), 0.0);
    EXPECT_EQ(text.Round(Variant(1.005), 2), 1.0);
    EXPECT_EQ(text.Round(Variant(2.5), 0), 2.0);
    EXPECT_EQ(text.Round(Variant(3.5), 0), 4.0);
    EXPECT_EQ(text.Round(Variant(-2.5), 0), -2.0);
    EXPECT_DOUBLE_EQ(text.Round(Variant(3.14159), 2), 3.14);
    EXPECT_DOUBLE_EQ(text.Round(Variant(QStringLiteral("2.75")), 1), 2.8);
    EXPECT_EQ(text.Round(Variant(), 2), 0.0);
    EXPECT_EQ(errorNumber([] { text.Round(Variant(3e9), 0); }), err::Overflow);
    EXPECT_EQ(errorNumber([] { text.Round(Variant(1.0), 10); }), err::Overflow);
    EXPECT_EQ(errorNumber([] { text.Round(Variant(1.0), 256); }), err::Overflow);
    QString source;
    EXPECT_EQ(errorNumber([] { text.Round(Variant(QStringLiteral("abc")), 1); }, &source), err::TypeMismatch);
    EXPECT_EQ(source, QStringLiteral("Pembry31.TextHelper"));

    EXPECT_EQ(text.RoundMillions(Variant::null(), 2), 0.0);
    EXPECT_EQ(text.RoundMillions(Variant(2500000), 0), 2.0);
    EXPECT_DOUBLE_EQ(text.RoundMillions(Variant(1234567), 2), 1.23);
    EXPECT_DOUBLE_EQ(text.RoundMillions(Variant(3e12), 0), 3000000.0);
}

TEST(TextHelperPadString, PadsOrCuts)
{
    EXPECT_EQ(text.PadString(QStringLiteral("ab"), 4), QStringLiteral("ab  "));
    EXPECT_EQ(text.PadString(QStringLiteral("abcdef"), 3), QStringLiteral("abc"));
    EXPECT_EQ(text.PadString(QStringLiteral("äb"), 3), QStringLiteral("äb "));
    EXPECT_EQ(text.PadString(QStringLiteral("ab"), 0), QString());
    EXPECT_EQ(errorNumber([] { text.PadString(QStringLiteral("ab"), -1); }), err::InvalidCall);
}

TEST(TextHelperTrims, BlanksOnly)
{
    EXPECT_EQ(basicTrim(u"  a b \t "), QStringLiteral("a b \t"));
    EXPECT_EQ(basicLTrim(u"  a  "), QStringLiteral("a  "));
    EXPECT_EQ(basicRTrim(u"  a  "), QStringLiteral("  a"));
    EXPECT_EQ(basicTrim(u"    "), QString());
}
