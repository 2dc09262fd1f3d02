#pragma once
// Reads JSON text from front to back without building a document: the
// caller takes the value it expects next (an object member by member, an
// array item by item, a text, a number, true or false) or skips it. Texts
// must be valid UTF-8; nesting is limited. A syntax error throws
// JsonSyntaxError with the byte offset. It accepts what QJsonDocument
// accepts: control characters inside texts, an unknown escape as the
// character escaped, numbers such as "5." and ".5".
//
//     scanner.beginObject();
//     QByteArrayView key;
//     for (qsizetype n = 0; scanner.nextMember(n, key);)
//         key == "name" ? name = scanner.text() : scanner.skip();
//
// It serves the schema model, which every opening of a Jet file reads from
// the reader's answer: scanning that straight into the model takes a
// fraction of the time a QJsonDocument and its lookups take.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace schema {

struct JsonSyntaxError {
    qsizetype offset = 0;
    const char *what = "";
};

class JsonScanner {
public:
    enum class Kind { Object, Array, Text, Number, Boolean, Null };

    explicit JsonScanner(const QByteArray &json)
        : m_begin(json.constData()), m_at(m_begin), m_end(m_begin + json.size())
    {
    }

    // The kind of the value that comes next.
    Kind peek();

    // An object: after beginObject, nextMember answers each member's key
    // (valid until the next call) and leaves its value to be read or
    // skipped; `count` starts at 0 and counts the members. False after the
    // closing brace.
    void beginObject();
    bool nextMember(qsizetype &count, QByteArrayView &key);
    // An array, in the same way; `count` is the index of the next item.
    void beginArray();
    bool nextItem(qsizetype &count);

    QString text();
    // The text when it has at most `maxLength` characters (UTF-16 code
    // units); a longer one is passed over, checked but never built.
    std::optional<QString> text(qsizetype maxLength);
    // Passes over a text, checked but not built; answers its length.
    qsizetype skipText();
    // A number; one beyond a double's range (1e400, 1e-400) answers an
    // infinity, and `representable`, when given, says false.
    double number(bool *representable = nullptr);
    bool boolean();
    void skip();

    // The value is complete: only blanks may follow it.
    void finish();

private:
    [[noreturn]] void fail(const char *what) const;
    void skipBlanks();
    void enter();
    void begin(Kind kind, const char *expected);
    // Before the next entry of an object or array: false at its closing
    // bracket (consumed), else past the separator, with `count` counted up.
    bool nextEntry(qsizetype &count, char closing, const char *unterminated);
    // The string that starts here: its bytes between the quotes when it has
    // no escape, else its decoded UTF-8 in m_decoded.
    QByteArrayView stringBytes();
    void literal(const char *word);
    // Decodes the text that comes next into `sink` (see JsonScanner.cpp).
    template <class Sink>
    void readText(Sink &sink);

    const char *m_begin;
    const char *m_at;
    const char *m_end;
    int m_depth = 0;
    QByteArray m_decoded;
};

}  // namespace schema
