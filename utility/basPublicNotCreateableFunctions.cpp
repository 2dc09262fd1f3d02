#include "utility/basPublicNotCreateableFunctions.h"

#include "utility/BasicError.h"

#include <algorithm>
#include <new>
#include <vector>

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

namespace {

// Replaces each occurrence once, from left to right, and goes on searching
// after the inserted text: for a `newChar` that holds `charToReplace`, where
// searching again from the start would never end.
QString replaceEachOnce(QStringView text, qsizetype at, QStringView charToReplace, QStringView newChar)
{
    // Every replacement trims the rest of the text, so from the first one
    // on the text ends at its last non-blank character.
    const qsizetype end = endWithoutTrailingBlanks(text);
    const QStringView searched = text.first(end);
    QString result;
    result.reserve(text.size());
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
}

// Replaces the leftmost occurrence until none is left, with the rest of the
// text trimmed after every replacement, without searching from the start
// each time.
//
// The text is read from left to right into `m_done`, which never holds an
// occurrence: the first time it ends with one, that is the leftmost
// occurrence of the whole text (one that started earlier would have ended
// inside `m_done` before). It is replaced by putting `newChar` in front of
// the unread rest, which is read next: an occurrence that a replacement
// forms with the characters before it or after it is found on the way, and
// none can start more than len - 1 characters before the replacement. A KMP
// automaton says how much of `charToReplace` `m_done` ends with; while that
// is nothing and `newChar` has been read, the next occurrence lies wholly in
// the unread original text and is searched there.
//
// Time is linear in the characters read, which is the text's length plus
// the length of the inserted texts. When `newChar` is shorter than
// `charToReplace` every replacement shortens the text, so there are fewer
// replacements than characters. A longer `newChar` can form new occurrences
// without end or grow the text exponentially («ab» by «bba»); the work is
// bounded and a rule that exceeds the bound raises error 5.
class LeftmostReplacer {
public:
    LeftmostReplacer(QStringView text, QStringView charToReplace, QStringView newChar)
        : m_text(text), m_what(charToReplace), m_with(newChar), m_end(text.size()),
          m_fail(failureFunction(charToReplace)),
          m_workLimit(2 * (text.size() + 1) * (charToReplace.size() + 1) + (qint64(1) << 22))
    {
        m_done.reserve(text.size());
    }

    QString run()
    {
        for (;;) {
            if (pendingEmpty() && m_state == 0) {
                if (m_pos >= m_end)
                    break;
                const qsizetype at = m_text.first(m_end).indexOf(m_what, m_pos, Qt::CaseSensitive);
                if (at < 0) {
                    m_done.append(m_text.sliced(m_pos, m_end - m_pos));
                    break;
                }
                m_done.append(m_text.sliced(m_pos, at - m_pos));
                m_pos = at + m_what.size();
                replace();
                continue;
            }
            if (restEmpty())
                break;
            const QChar c = front();
            popFront();
            m_done.append(c);
            m_state = advance(m_state, c);
            if (m_state == m_what.size()) {
                m_done.chop(m_what.size());
                replace();
            }
        }
        return std::move(m_done);
    }

private:
    static std::vector<qsizetype> failureFunction(QStringView pattern)
    {
        std::vector<qsizetype> fail(size_t(pattern.size()), 0);
        for (qsizetype i = 1, k = 0; i < pattern.size(); ++i) {
            while (k > 0 && pattern[i] != pattern[k])
                k = fail[size_t(k - 1)];
            if (pattern[i] == pattern[k])
                ++k;
            fail[size_t(i)] = k;
        }
        return fail;
    }

    // How much of `charToReplace` the text ends with after `c`, when it
    // ended with `state` characters of it before.
    qsizetype advance(qsizetype state, QChar c) const
    {
        while (state > 0 && m_what[state] != c)
            state = m_fail[size_t(state - 1)];
        return m_what[state] == c ? state + 1 : 0;
    }

    // The unread rest: `newChar`s not yet read (m_pending backwards, the
    // next character last; below m_pendingBase nothing is left), then the
    // original text from m_pos to m_end.
    bool pendingEmpty() const { return m_pending.size() == m_pendingBase; }
    bool restEmpty() const { return pendingEmpty() && m_pos >= m_end; }
    QChar front() const { return pendingEmpty() ? m_text[m_pos] : m_pending.back(); }
    QChar back() const { return m_pos < m_end ? m_text[m_end - 1] : m_pending[m_pendingBase]; }
    void popFront()
    {
        if (pendingEmpty())
            ++m_pos;
        else
            m_pending.chop(1);
    }
    void popBack()
    {
        if (m_pos < m_end)
            --m_end;
        else
            ++m_pendingBase;
    }

    // The occurrence just taken off the end of m_done becomes `newChar`.
    void replace()
    {
        m_work += m_with.size() + m_what.size() + 1;
        if (m_work > m_workLimit)
            raiseError(err::InvalidCall, QString(),
                       QStringLiteral("Replacing \"%1\" by \"%2\" keeps forming new occurrences; "
                                      "the text does not settle.")
                           .arg(m_what.toString(), m_with.toString()));
        while (!restEmpty() && front() == kBlank)
            popFront();
        while (!restEmpty() && back() == kBlank)
            popBack();
        if (m_what.size() == 1) {
            // A single character that `newChar` does not hold: nothing read
            // later can form an occurrence with `newChar`.
            m_done.append(m_with);
            return;
        }
        if (pendingEmpty()) {
            m_pending.clear();
            m_pendingBase = 0;
        }
        for (qsizetype i = m_with.size() - 1; i >= 0; --i)
            m_pending.append(m_with[i]);
        // Only the last len - 1 characters can begin an occurrence.
        m_state = 0;
        const qsizetype tail = std::min(m_what.size() - 1, m_done.size());
        for (QChar c : QStringView(m_done).last(tail))
            m_state = advance(m_state, c);
    }

    QStringView m_text;
    QStringView m_what;
    QStringView m_with;
    qsizetype m_pos = 0;
    qsizetype m_end;
    QString m_pending;
    qsizetype m_pendingBase = 0;
    QString m_done;
    qsizetype m_state = 0;
    std::vector<qsizetype> m_fail;
    qint64 m_work = 0;
    qint64 m_workLimit;
};

}  // namespace

QString fnReplaceText(const QString &textToFix, const QString &charToReplace, const QString &newChar)
{
    static const QString source = QStringLiteral("fnReplaceText");
    try {
        if (charToReplace.isEmpty())
            return textToFix;
        const QStringView text(textToFix);
        const qsizetype at = text.indexOf(charToReplace, 0, Qt::CaseSensitive);
        if (at < 0)
            return textToFix;
        if (newChar.contains(charToReplace, Qt::CaseSensitive))
            return replaceEachOnce(text, at, charToReplace, newChar);
        return LeftmostReplacer(text, charToReplace, newChar).run();
    } catch (const BasicError &e) {
        throw e.withSource(source);
    } catch (const std::bad_alloc &) {
        throw BasicError(7, source, standardErrorText(7));
    }
}

}  // namespace pembry
