#pragma once
// Text routines shared by several classes of the library (TextHelper,
// SQLRoutines, Win32API, ...). They are plain functions, not a class.

#include <QString>

namespace pembry {

// The number of positions of `searchString` that hold exactly
// `searchCharacter` (case-sensitive). `searchCharacter` is one character (a
// character outside the Basic Multilingual Plane counts as one); an empty or
// longer text never matches, so the count is 0.
qsizetype fnCharacterCount(const QString &searchString, const QString &searchCharacter);

// Replaces every occurrence of `charToReplace` (case-sensitive) by `newChar`,
// and removes the blanks (U+0020) that follow each occurrence; once anything
// was replaced, the blanks at the end of the text go as well:
//   "a, b, c " with "," -> ";" gives "a;b;c".
// An empty `charToReplace` returns the text unchanged.
//
// Occurrences are replaced from left to right and the search resumes right
// after the inserted text, so text produced by a replacement is never
// searched again. For a one-character `charToReplace` that `newChar` does not
// contain this is the same as searching again from the start after every
// replacement; searching from the start would loop forever whenever `newChar`
// contains `charToReplace` (or, for longer texts, forms it together with its
// neighbours), so that is not done. Time is linear in the text length.
//
// Errors are raised again with their number and the source "fnReplaceText".
QString fnReplaceText(const QString &textToFix, const QString &charToReplace, const QString &newChar);

// Basic's Trim, LTrim and RTrim: remove blanks (U+0020) only; tabs and other
// white space stay.
QString basicTrim(QStringView text);
QString basicLTrim(QStringView text);
QString basicRTrim(QStringView text);

}  // namespace pembry
