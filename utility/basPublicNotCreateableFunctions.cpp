#include "utility/basPublicNotCreateableFunctions.h"

#include "utility/BasicError.h"

#include <new>

namespace pembry {

namespace {
constexpr QChar kBlank = QLatin1Char(' ');

qsizetype firstNonBlank(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == kBlank)
        ++i;
    return i;
}

qsizetype endWithoutTrailingBlanks(QStringView text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == kBlank)
        --end;
    return end;
}

bool isOneCharacter(const QString &text)
{
    return text.size() == 1 || (text.size() == 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate());
}
}  // namespace

QString basicLTrim(QStringView text)
{
    return text.sliced(firstNonBlank(text)).toString();
}

QString basicRTrim(QStringView text)
{
    return text.first(endWithoutTrailingBlanks(text)).toString();
}

QString basicTrim(QStringView text)
{
    const qsizetype end = endWithoutTrailingBlanks(text);
    const qsizetype begin = firstNonBlank(text.first(end));
    return text.sliced(begin, end - begin).toString();
}

qsizetype fnCharacterCount(const QString &searchString, const QString &searchCharacter)
{
    if (!isOneCharacter(searchCharacter))
        return 0;
    return searchString.count(searchCharacter, Qt::CaseSensitive);
}

QString fnReplaceText(const QString &textToFix, const QString &charToReplace, const QString &newChar)
{
    static const QString source = QStringLiteral("fnReplaceText");
    try {
        if (charToReplace.isEmpty())
            return textToFix;
        const QStringView text(textToFix);
        qsizetype at = text.indexOf(charToReplace, 0, Qt::CaseSensitive);
        if (at < 0)
            return textToFix;

        // Every replacement trims the rest of the text, so from the first one
        // on the text ends at its last non-blank character.
        const qsizetype end = endWithoutTrailingBlanks(text);
        const QStringView searched = text.first(end);
        QString result;
        result.reserve(textToFix.size());
        qsizetype from = 0;
        while (at >= 0) {
            result.append(text.sliced(from, at - from));
            result.append(newChar);
            from = at + charToReplace.size();
            while (from < end && text[from] == kBlank)
                ++from;
            if (from >= end)
                return result;
            at = searched.indexOf(charToReplace, from, Qt::CaseSensitive);
        }
        result.append(text.sliced(from, end - from));
        return result;
    } catch (const BasicError &e) {
        throw e.withSource(source);
    } catch (const std::bad_alloc &) {
        throw BasicError(7, source, standardErrorText(7));
    }
}

}  // namespace pembry
