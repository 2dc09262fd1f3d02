#pragma once
// Builds program text in one place: the indent of a statement and the CR LF
// line ends. A statement is put at an indent level (that many indent units
// before it); line breaks are asked for separately, so the text has exactly
// the blank lines the caller writes. Appending is amortised constant time.

#include <QList>
#include <QString>
#include <QStringView>

namespace tabulo {

class CodePrinter {
public:
    explicit CodePrinter(QString indentUnit) : m_indentUnit(std::move(indentUnit)) {}

    // `count` line ends (CR LF).
    CodePrinter &br(int count = 1);

    // The indent of `level`, then the pieces. A piece never holds a line
    // break: text that may hold one goes through the Basic literal builder.
    template <class... Pieces>
    CodePrinter &put(int level, const Pieces &...pieces)
    {
        appendIndent(level);
        (append(QStringView(pieces)), ...);
        return *this;
    }

    // More pieces on the line begun with put().
    template <class... Pieces>
    CodePrinter &add(const Pieces &...pieces)
    {
        (append(QStringView(pieces)), ...);
        return *this;
    }

    // The width of the indent of `level`.
    qsizetype indentWidth(int level) const { return m_indentUnit.size() * level; }

    // The pieces on their own line: indent, pieces, line end.
    template <class... Pieces>
    CodePrinter &line(int level, const Pieces &...pieces)
    {
        put(level, pieces...);
        return br();
    }

    // Appends text that is already complete lines (another printer's text).
    CodePrinter &appendText(QStringView text);
    // Puts complete lines in front of the text, moving the text in place
    // rather than copying it.
    CodePrinter &prependText(QStringView text);

    void reserve(qsizetype size) { m_text.reserve(size); }
    qsizetype size() const { return m_text.size(); }

    const QString &text() const { return m_text; }
    QString take() { return std::exchange(m_text, QString()); }
    void clear() { m_text.clear(); }

private:
    void appendIndent(int level);
    void append(QStringView piece);

    QString m_indentUnit;
    QList<QString> m_indents;   // m_indents[n]: the unit written n times
    QString m_text;
};

}  // namespace tabulo
