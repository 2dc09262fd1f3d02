#pragma once
// TextHelper: stateless text routines for client programs - counting and
// replacing characters, blank clean-up, Null handling, letter/number
// conversion, rounding, padding, file-name clean-up and SQL criteria built
// from a user's search text.
//
// "Blank" means the space character U+0020 only; tabs and other white space
// are never removed. Comparisons are case-sensitive unless a routine says
// otherwise. Every routine takes time linear in the length of its text.
//
// Runtime errors carry the source "Pembry31.TextHelper" (ReplaceText:
// "fnReplaceText").
//
// Decisions for cases the routines' original contract left open:
// - ReplaceText: a NewChar that contains CharToReplace is inserted once per
//   occurrence, the search resuming after it, instead of looping forever; a
//   NewChar that keeps forming new occurrences with its neighbours without
//   settling raises error 5 (see fnReplaceText).
// - ReplaceQuotesWithConstant: every double quote is replaced, also the
//   second of two adjacent quotes, so that the rebuilt expression always
//   evaluates to the original text («""» becomes «cstrQuote & "" & cstrQuote»).
//   Text outside double quotes is never changed.
// - LetterGrouping: a GroupLength of 0 or less raises error 5 (invalid
//   procedure call or argument); a letter found in no group raises error 6
//   (overflow) at once.
// - CharacterCount counts beyond 32767 instead of overflowing.
// - ReplaceChr10withCrLf: a line feed that directly follows a CR LF pair is
//   converted as well (only a line feed at the very start is left alone).

#include "utility/Variant.h"

#include <QString>

namespace pembry {

enum fisEnumWildCardPosition : int {
    fisWildCardNone = 1,
    fisWildCardAfter = 2,
    fisWildCardBefore = 3,
    fisWildCardBeforeAndAfter = 4,
};

enum fisEnumCase : int {
    fisUpperCase = 1,
    fisLowerCase = 2,
};

class TextHelper {
public:
    // How many times the single character `searchCharacter` occurs in
    // `searchString`, as decimal text ("0" for an empty string).
    QString CharacterCount(const QString &searchString, const QString &searchCharacter) const;

    // Rewrites a text that holds double quotes as the body of a Basic string
    // expression in which every quote is the constant `quoteConstantName`:
    // «In ("A")» gives «In (" & cstrQuote & "A" & cstrQuote & ")». The text is
    // trimmed, and a leading «" &» and a trailing «& "» are dropped. A text
    // without double quotes comes back unchanged (not even trimmed).
    QString ReplaceQuotesWithConstant(const QString &text,
                                      const QString &quoteConstantName = QStringLiteral("cstrQuote")) const;

    // Runs of blanks become one blank (a leading run too). Once a run has been
    // found, the blanks at the end of the text disappear; a trailing run that
    // is the first run leaves one blank («a  » gives «a »).
    QString RemoveExtraSpaces(const QString &text) const;

    // Removes every blank; tabs and other white space stay.
    QString RemoveAllSpaces(const QString &text) const;

    // Null for a zero-length string, otherwise the string.
    Variant EmptyStringToNull(const QString &stringToFix) const;

    // `returnValueIfNull` when `variantValue` is Null (Empty is not Null).
    Variant NullToZ(const Variant &variantValue, const Variant &returnValueIfNull) const;

    // 1..26 give "A".."Z", 27..255 give "". 0 raises error 5; a number outside
    // the byte range 0..255 raises error 6.
    QString NumberToLetter(int numberToConvert) const;

    // The position (1..26) where `letterToConvert` starts in the alphabet,
    // ignoring letter case («c» and «CD» give 3); 0 when not found, 1 for "".
    int LetterToNumber(const QString &letterToConvert) const;

    // Replaces the leftmost occurrence of `charToReplace` by `newChar` and
    // trims the text after it, until none is left: «a, b, c » with "," and
    // ";" gives «a;b;c», «abb» with "ab" and "a" gives «a» (the shared
    // routine fnReplaceText).
    QString ReplaceText(const QString &textToFix, const QString &charToReplace, const QString &newChar) const;

    // Replaces every line feed not preceded by a carriage return by CR LF.
    // A line feed at the very start stays as it is. A value whose text is empty
    // (Null, Empty, "") comes back unchanged; anything else comes back as text.
    Variant ReplaceChr10withCrLf(const Variant &textToFix) const;

    // The first group of `groupLength` consecutive letters (cut from "A") that
    // contains `startingLetter` (capital letters only): «K», 5 gives «KLMNO».
    // Capitals for fisUpperCase, small letters for any other value.
    QString LetterGrouping(const QString &startingLetter, int groupLength, int returnCase) const;

    // An SQL criterion matching `tableFieldName` against every term of
    // `searchText`, the terms separated by " AND " (capitals): «red AND blue»
    // gives «WHERE Colour Like '%red%' AND Colour Like '%blue%'»; a single term
    // gives the comparison alone, without "WHERE ". Terms are used as they
    // stand (apostrophes are not doubled). "" for an unknown position value.
    QString BooleanSearch(const QString &searchText, const QString &tableFieldName,
                          int wildCardPosition = fisWildCardBeforeAndAfter,
                          const QString &wildCardCharacter = QStringLiteral("%")) const;

    // Replaces each of \ / : * ? | " < > by "-" (the length stays the same).
    QString ReplaceInvalidCharacters(const QString &fileName) const;

    // Rounds half to even at `decimalPlaces` (0..255) decimals through a
    // 32-bit whole number, so binary floating point shows through (1.005 with
    // 2 places gives 1). Null gives 0; a product outside the 32-bit range
    // raises error 6; a text that is not a number raises error 13.
    double Round(const Variant &numberToRound, int decimalPlaces) const;

    // As Round, after dividing by 1,000,000.
    double RoundMillions(const Variant &numberToRound, int decimalPlaces) const;

    // `stringToPad` padded with blanks on the right or cut to `length`
    // characters. A negative length raises error 5.
    QString PadString(const QString &stringToPad, int length) const;

    // Doubles every apostrophe and wraps the text in apostrophes, with the
    // wild card where `wildCardPosition` puts it: «O'Brien», fisWildCardNone
    // gives «'O''Brien'». "" for an unknown position value.
    QString SQLHandleQuotesAndApostrophes(const QString &stringToConvert, int wildCardPosition,
                                          const QString &wildCardCharacter = QStringLiteral("%")) const;
};

}  // namespace pembry
