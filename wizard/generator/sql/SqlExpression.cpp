#include "wizard/generator/sql/SqlExpression.h"

#include "wizard/engine/Dao.h"

#include <QDateTime>
#include <QList>

namespace tabulo::sql {

namespace {

struct Refused {
    QString problem;
};

[[noreturn]] void refuse(const QString &problem)
{
    throw Refused{problem};
}

struct Token {
    enum Kind { End, Number, Text, Date, Name, Word, Symbol } kind = End;
    QString text;   // Number, Date, Name, Word, Symbol: as written; Text: its value
};

class Tokenizer {
public:
    explicit Tokenizer(QStringView text) : m_text(text) {}

    QList<Token> tokens()
    {
        QList<Token> out;
        for (;;) {
            while (m_at < m_text.size() && m_text[m_at].isSpace())
                ++m_at;
            if (m_at >= m_text.size())
                break;
            out.append(next());
        }
        out.append(Token{});
        return out;
    }

private:
    Token next()
    {
        const QChar c = m_text[m_at];
        if (c.isDigit() || (c == u'.' && m_at + 1 < m_text.size() && m_text[m_at + 1].isDigit()))
            return number();
        if (c == u'"' || c == u'\'')
            return quoted(c);
        if (c == u'#')
            return Token{Token::Date, closedBy(u'#')};
        if (c == u'[')
            return Token{Token::Name, closedBy(u']')};
        if (c.isLetter() || c == u'_') {
            const qsizetype start = m_at;
            while (m_at < m_text.size() && (m_text[m_at].isLetterOrNumber() || m_text[m_at] == u'_'))
                ++m_at;
            return Token{Token::Word, m_text.mid(start, m_at - start).toString()};
        }
        for (const char *symbol : {"<=", ">=", "<>"}) {
            if (m_text.mid(m_at).startsWith(QLatin1StringView(symbol))) {
                m_at += 2;
                return Token{Token::Symbol, QString::fromLatin1(symbol)};
            }
        }
        if (QStringView(u"=<>+-*/&(),").contains(c)) {
            ++m_at;
            return Token{Token::Symbol, QString(c)};
        }
        refuse(QStringLiteral("the character '%1' is not translated").arg(c));
    }

    Token number()
    {
        const qsizetype start = m_at;
        while (m_at < m_text.size() && (m_text[m_at].isDigit() || m_text[m_at] == u'.'))
            ++m_at;
        if (m_at < m_text.size() && (m_text[m_at] == u'e' || m_text[m_at] == u'E')) {
            ++m_at;
            if (m_at < m_text.size() && (m_text[m_at] == u'+' || m_text[m_at] == u'-'))
                ++m_at;
            while (m_at < m_text.size() && m_text[m_at].isDigit())
                ++m_at;
        }
        const QString text = m_text.mid(start, m_at - start).toString();
        bool valid = false;
        text.toDouble(&valid);
        if (!valid)
            refuse(QStringLiteral("the number %1 is not translated").arg(text));
        return Token{Token::Number, text};
    }

    // A literal in quotes, a doubled quote standing for one.
    Token quoted(QChar quote)
    {
        QString value;
        for (++m_at; m_at < m_text.size(); ++m_at) {
            if (m_text[m_at] == quote) {
                if (m_at + 1 < m_text.size() && m_text[m_at + 1] == quote) {
                    value += quote;
                    ++m_at;
                    continue;
                }
                ++m_at;
                return Token{Token::Text, value};
            }
            value += m_text[m_at];
        }
        refuse(QStringLiteral("a text has no closing quote"));
    }

    QString closedBy(QChar close)
    {
        const qsizetype end = m_text.indexOf(close, m_at + 1);
        if (end < 0)
            refuse(QStringLiteral("'%1' has no closing '%2'").arg(m_text[m_at]).arg(close));
        const QString inside = m_text.mid(m_at + 1, end - m_at - 1).toString();
        m_at = end + 1;
        return inside;
    }

    QStringView m_text;
    qsizetype m_at = 0;
};

// What a translated operand is, as far as the translation needs to know.
enum class Kind { Number, Text, Date, Boolean, Null, Other };

struct Operand {
    QString sql;
    Kind kind = Kind::Other;
    bool literal = false;
    bool neverNull = false;     // a literal, or texts joined by &
};

Kind kindOfField(const schema::Field &field)
{
    switch (field.type) {
    case dao::dbText:
    case dao::dbMemo:
    case dao::dbChar: return Kind::Text;
    case dao::dbBoolean: return Kind::Boolean;
    case dao::dbDate:
    case dao::dbDateTimeExtended: return Kind::Date;
    case dao::dbByte:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbBigInt:
    case dao::dbCurrency:
    case dao::dbSingle:
    case dao::dbDouble:
    case dao::dbDecimal: return Kind::Number;
    default: return Kind::Other;
    }
}

// #12/31/1999#, #1999-12-31# and either with a time, as Access reads them
// (month first).
QString dateLiteral(const DialectRules &rules, const QString &written)
{
    const QString text = written.simplified();
    static const char *const withTime[] = {"M/d/yyyy H:mm:ss", "M/d/yyyy H:mm", "yyyy-MM-dd H:mm:ss",
                                           "yyyy-MM-dd H:mm", "M/d/yyyy h:mm:ss AP", "M/d/yyyy h:mm AP"};
    static const char *const dateOnly[] = {"M/d/yyyy", "yyyy-MM-dd", "M/d/yy"};
    QString sql;
    bool hasTime = false;
    for (const char *format : withTime) {
        const QDateTime at = QDateTime::fromString(text, QLatin1StringView(format));
        if (at.isValid()) {
            sql = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            hasTime = true;
            break;
        }
    }
    for (const char *format : dateOnly) {
        if (!sql.isEmpty())
            break;
        const QDate at = QDate::fromString(text, QLatin1StringView(format));
        if (at.isValid())
            sql = at.toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (sql.isEmpty())
        refuse(QStringLiteral("the date #%1# is not translated").arg(written));
    if (rules.dialect == Dialect::SQLite)
        return u'\'' + sql + u'\'';
    return (hasTime ? QStringLiteral("TIMESTAMP '") : QStringLiteral("DATE '")) + sql + u'\'';
}

class Translator {
public:
    Translator(const QString &expression, const ExpressionContext &context)
        : m_tokens(Tokenizer(expression).tokens()), m_context(context), m_rules(*context.rules) {}

    Operand whole()
    {
        Operand result = orExpression();
        if (peek().kind != Token::End)
            refuse(QStringLiteral("'%1' is not translated").arg(peek().text));
        return result;
    }

private:
    const Token &peek(qsizetype ahead = 0) const
    {
        return m_tokens[qMin(m_at + ahead, m_tokens.size() - 1)];
    }
    bool isWord(const Token &t, const char *word) const
    {
        return t.kind == Token::Word && t.text.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(const Token &t, const char *symbol) const
    {
        return t.kind == Token::Symbol && t.text == QLatin1StringView(symbol);
    }
    bool takeWord(const char *word)
    {
        if (!isWord(peek(), word))
            return false;
        ++m_at;
        return true;
    }
    bool takeSymbol(const char *symbol)
    {
        if (!isSymbol(peek(), symbol))
            return false;
        ++m_at;
        return true;
    }
    void expectSymbol(const char *symbol)
    {
        if (!takeSymbol(symbol))
            refuse(QStringLiteral("'%1' is missing").arg(QLatin1StringView(symbol)));
    }

    Operand orExpression()
    {
        Operand left = andExpression();
        while (takeWord("Or"))
            left = Operand{left.sql + QLatin1String(" OR ") + andExpression().sql, Kind::Boolean};
        return left;
    }

    Operand andExpression()
    {
        Operand left = notExpression();
        while (takeWord("And"))
            left = Operand{left.sql + QLatin1String(" AND ") + notExpression().sql, Kind::Boolean};
        return left;
    }

    Operand notExpression()
    {
        // "Not Like", "Not In" and "Not Between" with the field left out
        // are comparisons, not a Not of what follows.
        if (isWord(peek(), "Not") && !startsComparison(1))
            return Operand{QStringLiteral("NOT ") + (++m_at, notExpression()).sql, Kind::Boolean};
        return comparison();
    }

    // Whether the token `ahead` begins a comparison whose left operand is
    // left out.
    bool startsComparison(qsizetype ahead) const
    {
        const Token &t = peek(ahead);
        for (const char *symbol : {"=", "<>", "<", ">", "<=", ">="}) {
            if (isSymbol(t, symbol))
                return true;
        }
        if (isWord(t, "Not"))
            return isWord(peek(ahead + 1), "Like") || isWord(peek(ahead + 1), "In")
                   || isWord(peek(ahead + 1), "Between");
        return isWord(t, "Between") || isWord(t, "In") || isWord(t, "Is") || isWord(t, "Like");
    }

    Operand comparison()
    {
        Operand left;
        const bool leftOut = startsComparison(0);
        if (leftOut) {
            if (!m_context.implicitOperand)
                refuse(QStringLiteral("'%1' has no left operand").arg(peek().text));
            left = column(*m_context.implicitOperand);
        } else {
            left = additive();
        }
        bool compared = false;
        for (;;) {
            const Token &t = peek();
            bool handled = false;
            for (const char *symbol : {"=", "<>", "<", ">", "<=", ">="}) {
                if (isSymbol(t, symbol)) {
                    ++m_at;
                    left = Operand{left.sql + u' ' + QLatin1StringView(symbol) + u' ' + additive().sql, Kind::Boolean};
                    handled = true;
                    break;
                }
            }
            if (!handled) {
                const bool negated = isWord(t, "Not") && startsComparison(0);
                if (negated)
                    ++m_at;
                const QString no = negated ? QStringLiteral("NOT ") : QString();
                if (takeWord("Between")) {
                    const QString low = additive().sql;
                    if (!takeWord("And"))
                        refuse(QStringLiteral("Between has no And"));
                    left = Operand{left.sql + u' ' + no + QLatin1String("BETWEEN ") + low + QLatin1String(" AND ")
                                       + additive().sql,
                                   Kind::Boolean};
                } else if (takeWord("In")) {
                    expectSymbol("(");
                    QStringList items{additive().sql};
                    while (takeSymbol(","))
                        items.append(additive().sql);
                    expectSymbol(")");
                    left = Operand{left.sql + u' ' + no + QLatin1String("IN (") + items.join(QLatin1String(", ")) + u')',
                                   Kind::Boolean};
                } else if (takeWord("Like")) {
                    left = Operand{left.sql + u' ' + no + m_rules.caseBlindLike + u' ' + likePattern(), Kind::Boolean};
                } else if (!negated && takeWord("Is")) {
                    const bool isNot = takeWord("Not");
                    if (!takeWord("Null"))
                        refuse(QStringLiteral("Is is not followed by Null"));
                    left = Operand{left.sql + (isNot ? QLatin1String(" IS NOT NULL") : QLatin1String(" IS NULL")),
                                   Kind::Boolean};
                } else if (negated) {
                    refuse(QStringLiteral("Not is not translated here"));
                } else {
                    break;
                }
            }
            compared = true;
        }
        // A field's rule that is a value alone asks for that value.
        if (!compared && left.literal && m_context.implicitOperand)
            return Operand{column(*m_context.implicitOperand).sql + QLatin1String(" = ") + left.sql, Kind::Boolean};
        return left;
    }

    // A Like pattern, its wildcards * and ? in SQL's % and _.
    QString likePattern()
    {
        const Token t = peek();
        if (t.kind != Token::Text)
            refuse(QStringLiteral("Like is followed by no text"));
        ++m_at;
        QString pattern;
        for (QChar c : t.text) {
            if (c == u'*')
                pattern += u'%';
            else if (c == u'?')
                pattern += u'_';
            else if (c == u'#' || c == u'[' || c == u'%' || c == u'_' || c == u'\\')
                refuse(QStringLiteral("the Like pattern \"%1\" is not translated").arg(t.text));
            else
                pattern += c;
        }
        return stringLiteral(m_rules, pattern);
    }

    Operand additive()
    {
        Operand left = multiplicative();
        for (;;) {
            if (takeSymbol("+")) {
                left = arithmetic(left, u" + ", multiplicative());
            } else if (takeSymbol("-")) {
                left = arithmetic(left, u" - ", multiplicative());
            } else if (takeSymbol("&")) {
                left = joined(left, multiplicative());
            } else {
                return left;
            }
        }
    }

    Operand arithmetic(const Operand &left, QStringView op, const Operand &right)
    {
        if (left.kind == Kind::Text || right.kind == Kind::Text)
            refuse(QStringLiteral("+ and - are translated between numbers only"));
        return Operand{left.sql + op.toString() + right.sql, Kind::Number};
    }

    // Access's & joins texts, a Null counting as an empty text.
    Operand joined(const Operand &left, const Operand &right)
    {
        if (left.kind != Kind::Text || right.kind != Kind::Text)
            refuse(QStringLiteral("& is translated between texts only"));
        const auto part = [](const Operand &o) {
            return o.literal || o.neverNull ? o.sql : QStringLiteral("coalesce(%1, '')").arg(o.sql);
        };
        if (m_rules.dialect == Dialect::MySQL) {
            // concat() of concat()s flattens into one call.
            QString inner = left.sql.startsWith(QLatin1String("concat(")) ? left.sql.mid(7, left.sql.size() - 8)
                                                                          : part(left);
            return Operand{QStringLiteral("concat(%1, %2)").arg(inner, part(right)), Kind::Text, false, true};
        }
        return Operand{part(left) + QLatin1String(" || ") + part(right), Kind::Text, false, true};
    }

    Operand multiplicative()
    {
        Operand left = unary();
        for (;;) {
            if (takeSymbol("*"))
                left = arithmetic(left, u" * ", unary());
            else if (takeSymbol("/"))
                left = arithmetic(left, u" / ", unary());
            else
                return left;
        }
    }

    Operand unary()
    {
        if (takeSymbol("-")) {
            Operand operand = unary();
            return Operand{u'-' + operand.sql, operand.kind, operand.literal};
        }
        return primary();
    }

    Operand column(const ColumnRef &ref) const
    {
        return Operand{ref.quoted, kindOfField(*ref.field)};
    }

    Operand primary()
    {
        const Token t = peek();
        ++m_at;
        switch (t.kind) {
        case Token::Number: return Operand{t.text, Kind::Number, true};
        case Token::Text: return Operand{stringLiteral(m_rules, t.text), Kind::Text, true};
        case Token::Date: return Operand{dateLiteral(m_rules, t.text), Kind::Date, true};
        case Token::Name: return namedColumn(t.text);
        case Token::Word: return word(t.text);
        case Token::Symbol:
            if (t.text == QLatin1String("(")) {
                Operand inner = orExpression();
                expectSymbol(")");
                return Operand{u'(' + inner.sql + u')', inner.kind, false, inner.neverNull || inner.literal};
            }
            break;
        case Token::End: refuse(QStringLiteral("the expression ends early"));
        }
        refuse(QStringLiteral("'%1' is not translated").arg(t.text));
    }

    Operand namedColumn(const QString &name)
    {
        const std::optional<ColumnRef> ref = m_context.column ? m_context.column(name) : std::nullopt;
        if (!ref)
            refuse(QStringLiteral("the table has no field [%1]").arg(name));
        if (m_context.deterministic && !ref->field->expression.isEmpty()) {
            // A generated column may not name another: the other's
            // expression stands in its place.
            if (!m_context.generated || m_depth >= kMaxNesting)
                refuse(QStringLiteral("it names the calculated field [%1]").arg(name));
            Translator inner(ref->field->expression, m_context);
            inner.m_depth = m_depth + 1;
            const Operand value = inner.whole();
            return Operand{u'(' + value.sql + u')', kindOfField(*ref->field), false, value.neverNull};
        }
        return column(*ref);
    }

    Operand word(const QString &word)
    {
        const auto is = [&](const char *w) { return word.compare(QLatin1StringView(w), Qt::CaseInsensitive) == 0; };
        if (is("True") || is("Yes") || is("On"))
            return Operand{m_rules.dialect == Dialect::SQLite ? QStringLiteral("1") : QStringLiteral("TRUE"),
                           Kind::Boolean, true};
        if (is("False") || is("No") || is("Off"))
            return Operand{m_rules.dialect == Dialect::SQLite ? QStringLiteral("0") : QStringLiteral("FALSE"),
                           Kind::Boolean, true};
        if (is("Null"))
            return Operand{QStringLiteral("NULL"), Kind::Null, true};
        if (!takeSymbol("("))
            refuse(QStringLiteral("'%1' is not translated").arg(word));
        if (!is("Len") && !is("Date") && !is("Now") && !is("Time"))
            refuse(QStringLiteral("the function %1() is not translated").arg(word));
        if (is("Len")) {
            const Operand argument = orExpression();
            expectSymbol(")");
            return Operand{(m_rules.dialect == Dialect::SQLite ? QStringLiteral("length(%1)")
                                                               : QStringLiteral("char_length(%1)"))
                               .arg(argument.sql),
                           Kind::Number};
        }
        expectSymbol(")");
        if (m_context.generated || (m_context.deterministic && !m_rules.checkAllowsCurrentDate))
            refuse(QStringLiteral("%1 refuses %2() here").arg(m_rules.title, word));
        return Operand{currentTime(word), Kind::Date};
    }

    QString currentTime(const QString &function) const
    {
        const auto is = [&](const char *w) { return function.compare(QLatin1StringView(w), Qt::CaseInsensitive) == 0; };
        switch (m_rules.dialect) {
        case Dialect::PostgreSQL:
            return is("Date") ? QStringLiteral("CURRENT_DATE")
                   : is("Now") ? QStringLiteral("LOCALTIMESTAMP")
                               : QStringLiteral("(DATE '1899-12-30' + LOCALTIME)");
        case Dialect::MySQL:
            return is("Date") ? QStringLiteral("curdate()")
                   : is("Now") ? QStringLiteral("now()")
                               : QStringLiteral("timestamp('1899-12-30', curtime())");
        case Dialect::SQLite:
            // A CHECK allows only the keywords, which give the time in UTC.
            if (m_context.deterministic)
                return is("Date") ? QStringLiteral("CURRENT_DATE")
                       : is("Now") ? QStringLiteral("CURRENT_TIMESTAMP")
                                   : QStringLiteral("'1899-12-30 ' || CURRENT_TIME");
            return is("Date") ? QStringLiteral("date('now', 'localtime')")
                   : is("Now") ? QStringLiteral("datetime('now', 'localtime')")
                               : QStringLiteral("'1899-12-30 ' || time('now', 'localtime')");
        }
        return {};
    }

    // How deep calculated fields may stand in for each other: a loop of
    // them is refused.
    static constexpr int kMaxNesting = 8;

    QList<Token> m_tokens;
    qsizetype m_at = 0;
    int m_depth = 0;
    const ExpressionContext &m_context;
    const DialectRules &m_rules;
};

template <typename Translate>
Translation attempt(Translate translate)
{
    try {
        return Translation{translate(), {}};
    } catch (const Refused &refused) {
        return Translation{{}, refused.problem};
    }
}

bool isPlainNumber(const QString &sql)
{
    bool valid = false;
    sql.toDouble(&valid);
    return valid;
}

}  // namespace

Translation translateCondition(const QString &expression, const ExpressionContext &context)
{
    return attempt([&] { return Translator(expression, context).whole().sql; });
}

Translation translateExpression(const QString &expression, const ExpressionContext &context)
{
    return attempt([&] { return Translator(expression, context).whole().sql; });
}

Translation translateDefault(const QString &defaultValue, const schema::Field &field, const DialectRules &rules)
{
    QString text = defaultValue.trimmed();
    if (text.startsWith(u'='))
        text = text.mid(1).trimmed();
    return attempt([&]() -> QString {
        if (text.compare(QLatin1String("GenGUID()"), Qt::CaseInsensitive) == 0 && field.type == dao::dbGUID) {
            if (rules.dialect == Dialect::PostgreSQL)
                return QStringLiteral("gen_random_uuid()");
            if (rules.dialect == Dialect::MySQL)
                return QStringLiteral("(concat('{', uuid(), '}'))");
            refuse(QStringLiteral("SQLite has no function that makes a GUID"));
        }
        const ExpressionContext context{&rules, {}, std::nullopt, false};
        const Operand value = Translator(text, context).whole();
        if (field.type == dao::dbBoolean) {
            // Access keeps Yes as -1; any number but 0 is Yes.
            if (value.kind == Kind::Number && value.literal)
                return value.sql.toDouble() != 0 ? (rules.dialect == Dialect::SQLite ? QStringLiteral("1")
                                                                                    : QStringLiteral("TRUE"))
                                                 : (rules.dialect == Dialect::SQLite ? QStringLiteral("0")
                                                                                    : QStringLiteral("FALSE"));
            if (value.kind != Kind::Boolean && value.kind != Kind::Null)
                refuse(QStringLiteral("it is no Yes/No value"));
            return value.sql;
        }
        if (value.kind == Kind::Boolean && value.literal && kindOfField(field) == Kind::Number)
            return value.sql.endsWith(QLatin1String("TRUE")) || value.sql == QLatin1String("1") ? QStringLiteral("-1")
                                                                                                   : QStringLiteral("0");
        if (value.literal && value.kind != Kind::Date)
            return value.sql;
        if (isPlainNumber(value.sql.mid(value.sql.startsWith(u'-') ? 1 : 0)))
            return value.sql;
        if (value.sql == QLatin1String("LOCALTIMESTAMP") || value.sql == QLatin1String("CURRENT_DATE"))
            return value.sql;
        return u'(' + value.sql + u')';
    });
}

}  // namespace tabulo::sql
