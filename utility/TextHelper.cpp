#include "utility/TextHelper.h"

#include "utility/BasicError.h"
#include "utility/basPublicNotCreateableFunctions.h"

#include <cmath>
#include <limits>

namespace pembry {

namespace {
const QString kSource = QStringLiteral("Pembry31.TextHelper");
const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
constexpr QChar kBlank = QLatin1Char(' ');
constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kApostrophe = QLatin1Char('\'');

// A Byte argument: values outside 0..255 overflow as Basic's conversion does.
void requireByte(int value)
{
    if (value < 0 || value > 255)
        raiseError(err::Overflow, kSource);
}

// Every occurrence of `from` replaced by `to`, in one pass.
QString replaceCharacter(const QString &text, QChar from, const QString &to)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == from)
            result.append(to);
        else
            result.append(c);
    }
    return result;
}

QString withWildCards(const QString &text, int wildCardPosition, const QString &wildCard)
{
    switch (wildCardPosition) {
    case fisWildCardNone:
        return text;
    case fisWildCardAfter:
        return text + wildCard;
    case fisWildCardBefore:
        return wildCard + text;
    case fisWildCardBeforeAndAfter:
        return wildCard + text + wildCard;
    default:
        return {};
    }
}

// Basic's conversion to Double; its errors (13, 94) carry this class's source.
double toNumber(const Variant &value)
{
    try {
        return value.toDouble();
    } catch (const BasicError &e) {
        throw e.withSource(kSource);
    }
}

bool isWildCardPosition(int value)
{
    return value >= fisWildCardNone && value <= fisWildCardBeforeAndAfter;
}
}  // namespace

QString TextHelper::CharacterCount(const QString &searchString, const QString &searchCharacter) const
{
    return QString::number(fnCharacterCount(searchString, searchCharacter));
}

QString TextHelper::ReplaceQuotesWithConstant(const QString &text, const QString &quoteConstantName) const
{
    if (!text.contains(kQuote))
        return text;
    const QString replacement = QStringLiteral("\" & ") + quoteConstantName + QStringLiteral(" & \"");
    QString result = basicTrim(replaceCharacter(basicTrim(text), kQuote, replacement));
    if (result.startsWith(QLatin1String("\" &")))
        result = basicTrim(QStringView(result).sliced(3));
    if (result.endsWith(QLatin1String("& \"")))
        result = basicTrim(QStringView(result).chopped(3));
    return result;
}

QString TextHelper::RemoveExtraSpaces(const QString &text) const
{
    QString result;
    result.reserve(text.size());
    qsizetype end = text.size();
    bool runFound = false;
    qsizetype i = 0;
    while (i < end) {
        if (text[i] == kBlank && i + 1 < end && text[i + 1] == kBlank) {
            // The run becomes one blank; from the first run on, the text ends
            // at its last non-blank character.
            result.append(kBlank);
            if (!runFound) {
                runFound = true;
                while (end > 0 && text[end - 1] == kBlank)
                    --end;
            }
            ++i;
            while (i < end && text[i] == kBlank)
                ++i;
            continue;
        }
        result.append(text[i]);
        ++i;
    }
    return result;
}

QString TextHelper::RemoveAllSpaces(const QString &text) const
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c != kBlank)
            result.append(c);
    }
    return result;
}

Variant TextHelper::EmptyStringToNull(const QString &stringToFix) const
{
    return stringToFix.isEmpty() ? Variant::null() : Variant(stringToFix);
}

Variant TextHelper::NullToZ(const Variant &variantValue, const Variant &returnValueIfNull) const
{
    return variantValue.isNull() ? returnValueIfNull : variantValue;
}

QString TextHelper::NumberToLetter(int numberToConvert) const
{
    requireByte(numberToConvert);
    if (numberToConvert == 0)
        raiseError(err::InvalidCall, kSource);
    if (numberToConvert > kAlphabet.size())
        return {};
    return kAlphabet.mid(numberToConvert - 1, 1);
}

int TextHelper::LetterToNumber(const QString &letterToConvert) const
{
    return int(kAlphabet.indexOf(letterToConvert, 0, Qt::CaseInsensitive)) + 1;
}

QString TextHelper::ReplaceText(const QString &textToFix, const QString &charToReplace,
                                const QString &newChar) const
{
    return fnReplaceText(textToFix, charToReplace, newChar);
}

Variant TextHelper::ReplaceChr10withCrLf(const Variant &textToFix) const
{
    if (textToFix.isNull() || textToFix.isEmpty())
        return textToFix;
    const QString text = textToFix.toString();
    if (text.isEmpty())
        return textToFix;
    QString result;
    result.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') && i > 0 && text[i - 1] != QLatin1Char('\r'))
            result.append(QLatin1Char('\r'));
        result.append(text[i]);
    }
    return Variant(result);
}

QString TextHelper::LetterGrouping(const QString &startingLetter, int groupLength, int returnCase) const
{
    if (groupLength <= 0)
        raiseError(err::InvalidCall, kSource,
                   QStringLiteral("LetterGrouping needs a group length of 1 or more, not %1.").arg(groupLength));
    for (qsizetype position = 0; position < kAlphabet.size(); position += groupLength) {
        const QString group = kAlphabet.mid(position, groupLength);
        if (group.contains(startingLetter, Qt::CaseSensitive))
            return returnCase == fisUpperCase ? group : group.toLower();
    }
    raiseError(err::Overflow, kSource);
}

QString TextHelper::BooleanSearch(const QString &searchText, const QString &tableFieldName,
                                  int wildCardPosition, const QString &wildCardCharacter) const
{
    if (!isWildCardPosition(wildCardPosition))
        return {};
    const auto comparison = [&](const QString &term) {
        if (wildCardPosition == fisWildCardNone)
            return tableFieldName + QStringLiteral(" = '") + term + kApostrophe;
        return tableFieldName + QStringLiteral(" Like '") + withWildCards(term, wildCardPosition, wildCardCharacter)
               + kApostrophe;
    };
    const QString separator = QStringLiteral(" AND ");
    if (!searchText.contains(separator, Qt::CaseSensitive))
        return comparison(searchText);
    const QStringList terms = searchText.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    QString result = QStringLiteral("WHERE ") + comparison(terms.first());
    for (qsizetype i = 1; i < terms.size(); ++i)
        result += separator + comparison(terms[i]);
    return basicRTrim(result);
}

QString TextHelper::ReplaceInvalidCharacters(const QString &fileName) const
{
    static const QString invalid = QStringLiteral("\\/:*?|\"<>");
    QString result = fileName;
    for (QChar &c : result) {
        if (invalid.contains(c))
            c = QLatin1Char('-');
    }
    return result;
}

double TextHelper::Round(const Variant &numberToRound, int decimalPlaces) const
{
    requireByte(decimalPlaces);
    if (numberToRound.isNull())
        return 0;
    const double scale = std::pow(10.0, decimalPlaces);
    const double product = toNumber(numberToRound) * scale;
    if (!std::isfinite(product))
        raiseError(err::Overflow, kSource);
    const double whole = std::nearbyint(product);   // half to even, as CLng rounds
    if (whole < std::numeric_limits<qint32>::min() || whole > std::numeric_limits<qint32>::max())
        raiseError(err::Overflow, kSource);
    return whole / scale;
}

double TextHelper::RoundMillions(const Variant &numberToRound, int decimalPlaces) const
{
    if (numberToRound.isNull()) {
        requireByte(decimalPlaces);
        return 0;
    }
    return Round(Variant(toNumber(numberToRound) / 1000000.0), decimalPlaces);
}

QString TextHelper::PadString(const QString &stringToPad, int length) const
{
    if (length < 0)
        raiseError(err::InvalidCall, kSource,
                   QStringLiteral("PadString needs a length of 0 or more, not %1.").arg(length));
    if (stringToPad.size() >= length)
        return stringToPad.left(length);
    return stringToPad + QString(length - stringToPad.size(), kBlank);
}

QString TextHelper::SQLHandleQuotesAndApostrophes(const QString &stringToConvert, int wildCardPosition,
                                                  const QString &wildCardCharacter) const
{
    if (!isWildCardPosition(wildCardPosition))
        return {};
    const QString doubled = replaceCharacter(stringToConvert, kApostrophe, QStringLiteral("''"));
    return kApostrophe + withWildCards(doubled, wildCardPosition, wildCardCharacter) + kApostrophe;
}

}  // namespace pembry
