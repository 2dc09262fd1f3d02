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

// Replaces the leftmost occurrence of `charToReplace` (case-sensitive) by
// `newChar` and removes the blanks (U+0020) at both ends of the text after
// it, again and again until no occurrence is left:
//   "a, b, c " with "," -> ";" gives "a;b;c";
//   "abb" with "ab" -> "a" gives "a" (the first replacement forms «ab» anew).
// An empty `charToReplace` returns the text unchanged.
//
// Searching from the start after every replacement would never end when
// `newChar` contains `charToReplace`; then each occurrence is replaced once,
// from left to right, and the search resumes after the inserted text. A
// `newChar` that forms new occurrences with its neighbours without end, or
// that makes the text grow beyond bounds («ab» by «bba»), raises error 5.
// Time is linear in the length of the text and of the texts inserted.
//
// Errors are raised again with their number and the source "fnReplaceText".
QString fnReplaceText(const QString &textToFix, const QString &charToReplace, const QString &newChar);

// Basic's Trim, LTrim and RTrim: remove blanks (U+0020) only; tabs and other
// white space stay.
QString basicTrim(QStringView text);
QString basicLTrim(QStringView text);
QString basicRTrim(QStringView text);

}  // namespace pembry
