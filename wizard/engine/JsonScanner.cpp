#include "wizard/engine/JsonScanner.h"

#include <charconv>
#include <cmath>

namespace schema {

namespace {

// Deeper nesting than any schema document has; it bounds the recursion of skip().
constexpr int MaxDepth = 512;

// The first byte of `[p, end)` that starts no valid UTF-8 sequence, or null.
const char *firstInvalidUtf8(const char *p, const char *end)
{
    while (p < end) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        char32_t code, least;
        if ((c & 0xE0) == 0xC0) {
            more = 1, code = c & 0x1F, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, code = c & 0x0F, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3, code = c & 0x07, least = 0x10000;
        } else {
            return p;
        }
        if (end - p <= more)
            return p;
        for (int i = 1; i <= more; ++i) {
            const auto next = static_cast<unsigned char>(p[i]);
            if ((next & 0xC0) != 0x80)
                return p;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return p;
        p += more + 1;
    }
    return nullptr;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

void JsonScanner::fail(const char *what) const
{
    throw JsonSyntaxError{qsizetype(m_at - m_begin), what};
}

void JsonScanner::skipBlanks()
{
    while (m_at < m_end && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r' || *m_at == '\t'))
        ++m_at;
}

void JsonScanner::enter()
{
    if (++m_depth > MaxDepth)
        fail("too deeply nested");
}

JsonScanner::Kind JsonScanner::peek()
{
    skipBlanks();
    if (m_at == m_end)
        fail("unexpected end of the document");
    switch (*m_at) {
    case '{': return Kind::Object;
    case '[': return Kind::Array;
    case '"': return Kind::Text;
    case 't':
    case 'f': return Kind::Boolean;
    case 'n': return Kind::Null;
    default:
        if (*m_at == '-' || *m_at == '.' || isDigit(*m_at))
            return Kind::Number;
        fail("illegal value");
    }
}

void JsonScanner::begin(Kind kind, const char *expected)
{
    if (peek() != kind)
        fail(expected);
    ++m_at;
    enter();
}

bool JsonScanner::nextEntry(qsizetype &count, char closing, const char *unterminated)
{
    skipBlanks();
    if (m_at == m_end)
        fail(unterminated);
    if (*m_at == closing) {
        ++m_at;
        --m_depth;
        return false;
    }
    if (count > 0) {
        if (*m_at != ',')
            fail("missing value separator");
        ++m_at;
    }
    ++count;
    return true;
}

void JsonScanner::beginObject()
{
    begin(Kind::Object, "expected an object");
}

bool JsonScanner::nextMember(qsizetype &count, QByteArrayView &key)
{
    if (!nextEntry(count, '}', "unterminated object"))
        return false;
    skipBlanks();
    if (m_at == m_end || *m_at != '"')
        fail("expected a member name");
    key = stringBytes();
    skipBlanks();
    if (m_at == m_end || *m_at != ':')
        fail("missing name separator");
    ++m_at;
    return true;
}

void JsonScanner::beginArray()
{
    begin(Kind::Array, "expected an array");
}

bool JsonScanner::nextItem(qsizetype &count)
{
    return nextEntry(count, ']', "unterminated array");
}

QByteArrayView JsonScanner::stringBytes()
{
    // The common case: no escape, so the text is the bytes between the quotes.
    const char *start = m_at + 1;
    unsigned char high = 0;
    for (const char *p = start; p < m_end; ++p) {
        high |= static_cast<unsigned char>(*p);
        if (*p == '"') {
            if (const char *bad = high >= 0x80 ? firstInvalidUtf8(start, p) : nullptr) {
                m_at = bad;
                fail("illegal UTF-8 string");
            }
            m_at = p + 1;
            return QByteArrayView(start, p - start);
        }
        if (*p == '\\')
            break;
    }
    m_decoded = text().toUtf8();
    return m_decoded;
}

namespace {

// Where a text's characters go: a QString being built, or only their count
// (in UTF-16 code units, as QString::size() counts them).
struct TextBuilder {
    QString out;
    void utf8(const char *begin, const char *end) { out += QString::fromUtf8(begin, end - begin); }
    void unit(char16_t c) { out += QChar(c); }
};

struct TextCounter {
    qsizetype units = 0;
    // Valid UTF-8: one unit a sequence, two for one beyond U+FFFF.
    void utf8(const char *begin, const char *end)
    {
        for (const char *p = begin; p < end; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            units += (c & 0xC0) != 0x80;
            units += c >= 0xF0;
        }
    }
    void unit(char16_t) { ++units; }
};

}  // namespace

template <class Sink>
void JsonScanner::readText(Sink &sink)
{
    if (peek() != Kind::Text)
        fail("expected a text");
    const char *run = ++m_at;
    const auto flush = [&](const char *upTo) {
        if (const char *bad = firstInvalidUtf8(run, upTo)) {
            m_at = bad;
            fail("illegal UTF-8 string");
        }
        sink.utf8(run, upTo);
    };
    while (m_at < m_end) {
        const char c = *m_at;
        if (c == '"') {
            flush(m_at);
            ++m_at;
            return;
        }
        if (c != '\\') {
            ++m_at;
            continue;
        }
        flush(m_at);
        if (++m_at == m_end)
            break;
        switch (*m_at) {
        case '"': sink.unit(u'"'); break;
        case '\\': sink.unit(u'\\'); break;
        case '/': sink.unit(u'/'); break;
        case 'b': sink.unit(u'\b'); break;
        case 'f': sink.unit(u'\f'); break;
        case 'n': sink.unit(u'\n'); break;
        case 'r': sink.unit(u'\r'); break;
        case 't': sink.unit(u'\t'); break;
        case 'u': {
            // A UTF-16 code unit; a pair of them spells a character beyond U+FFFF.
            char16_t unit = 0;
            for (int i = 1; i <= 4; ++i) {
                const int digit = m_at + i < m_end ? hexValue(m_at[i]) : -1;
                if (digit < 0)
                    fail("illegal escape sequence");
                unit = char16_t((unit << 4) | digit);
            }
            sink.unit(unit);
            m_at += 4;
            break;
        }
        default:
            // Any other character stands for itself.
            run = m_at;
            continue;
        }
        run = ++m_at;
    }
    fail("unterminated string");
}

QString JsonScanner::text()
{
    if (peek() != Kind::Text)
        fail("expected a text");
    // The common case: ASCII without an escape, which needs no decoding.
    const char *run = m_at + 1;
    unsigned char high = 0;
    const char *p = run;
    while (p < m_end && *p != '"' && *p != '\\') {
        high |= static_cast<unsigned char>(*p);
        ++p;
    }
    if (p < m_end && *p == '"' && high < 0x80) {
        m_at = p + 1;
        return QString::fromLatin1(run, p - run);
    }
    TextBuilder builder;
    readText(builder);
    return builder.out;
}

qsizetype JsonScanner::skipText()
{
    TextCounter counter;
    readText(counter);
    return counter.units;
}

std::optional<QString> JsonScanner::text(qsizetype maxLength)
{
    const char *start = m_at;
    if (skipText() > maxLength)
        return std::nullopt;
    m_at = start;
    return text();
}

double JsonScanner::number(bool *representable)
{
    if (peek() != Kind::Number)
        fail("expected a number");
    // The digits of an optional sign, whole part, fraction and exponent, any
    // of them possibly empty ("5.", ".5"); the whole must be a number.
    const char *start = m_at;
    const auto digits = [&] {
        while (m_at < m_end && isDigit(*m_at))
            ++m_at;
    };
    if (*m_at == '-')
        ++m_at;
    if (m_at < m_end && *m_at == '0')
        ++m_at;
    else
        digits();
    bool whole = true;
    if (m_at < m_end && *m_at == '.') {
        ++m_at;
        digits();
        whole = false;
    }
    if (m_at < m_end && (*m_at == 'e' || *m_at == 'E')) {
        ++m_at;
        if (m_at < m_end && (*m_at == '+' || *m_at == '-'))
            ++m_at;
        digits();
        whole = false;
    }
    double value = 0;
    const char *from = *start == '-' ? start + 1 : start;
    // Most numbers are small whole ones, exact in a double without parsing one.
    if (whole && m_at > from && m_at - from <= 15) {
        qint64 n = 0;
        for (const char *p = from; p < m_at; ++p)
            n = n * 10 + (*p - '0');
        if (representable)
            *representable = true;
        value = double(n);
        return *start == '-' && value != 0 ? -value : value;
    }
    const auto [end, error] = std::from_chars(from, m_at, value);
    if (end != m_at || from == m_at || (error != std::errc() && error != std::errc::result_out_of_range)) {
        m_at = start;
        fail("illegal number");
    }
    if (representable)
        *representable = error != std::errc::result_out_of_range;
    if (error == std::errc::result_out_of_range)
        value = HUGE_VAL;   // too small a magnitude also lands here; it is no whole number either way
    // As in QJsonDocument, a number has no negative zero: "-0" is 0.
    return *start == '-' && value != 0 ? -value : value;
}

void JsonScanner::literal(const char *word)
{
    for (const char *w = word; *w; ++w, ++m_at) {
        if (m_at == m_end || *m_at != *w)
            fail("illegal value");
    }
}

bool JsonScanner::boolean()
{
    const Kind kind = peek();
    if (kind != Kind::Boolean)
        fail("expected true or false");
    const bool value = *m_at == 't';
    literal(value ? "true" : "false");
    return value;
}

void JsonScanner::skip()
{
    switch (peek()) {
    case Kind::Object: {
        beginObject();
        QByteArrayView key;
        for (qsizetype n = 0; nextMember(n, key);)
            skip();
        break;
    }
    case Kind::Array:
        beginArray();
        for (qsizetype n = 0; nextItem(n);)
            skip();
        break;
    case Kind::Text:
        skipText();
        break;
    case Kind::Number:
        number();
        break;
    case Kind::Boolean:
        boolean();
        break;
    case Kind::Null:
        literal("null");
        break;
    }
}

void JsonScanner::finish()
{
    skipBlanks();
    if (m_at != m_end)
        fail("garbage at the end of the document");
}

}  // namespace schema
