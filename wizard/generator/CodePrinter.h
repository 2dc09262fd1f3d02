#pragma once
// Prints Basic program text from templates with named slots:
//
//     out.print("Set $fld$ = $tdf$.CreateField($name$, $type$, $size$)\n", vars);
//
// "\n" ends a line with CR LF, or the line end set. A line begins with the
// printer's indent (one indent unit per level, kept by indent()/outdent() or
// indented()) and one more for each tab that leads the line in the
// template; an empty line gets none. "$name$" is replaced by the value of that slot, "$$" by "$". A slot
// made with quoted() is written as a Basic string literal; when its line
// would be longer than a Basic line, the literal is continued (" & _") on
// the next lines, one indent deeper. Templates are ASCII; values never hold
// a line break. A template is parsed once per printer, with the printer's
// fixed slots filled in; appending is amortised constant time.
//
// A slot may be bound to a function instead of a text. Such a slot stands
// alone on its template line; the function prints whole lines in its place,
// one level deeper for each tab that leads the slot, and the slot's own line
// is not written:
//
//     out.print("Sub $name$()\n"
//               "\t$body$\n"
//               "End Sub\n",
//               {{"name", name}, {"body", [&] { out.print("Beep\n"); }}});

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <vector>

namespace tabulo {

class CodePrinter {
public:
    // The longest line Basic reads.
    static constexpr qsizetype kMaxLineLength = 1023;
    // Basic joins at most this many continued lines to a statement.
    static constexpr qsizetype kMaxContinuations = 24;

    // The value of the slot $name$: a text, or a function that prints the
    // slot's lines. Like a text, the function must outlive the Var.
    struct Var {
        Var() = default;
        Var(const char *slot, QStringView text, bool asLiteral = false)
            : name(slot), value(text), quoted(asLiteral)
        {
        }
        template <typename Function, std::enable_if_t<std::is_invocable_v<const Function &>, int> = 0>
        Var(const char *slot, const Function &print)
            : name(slot), function(&print), call([](const void *f) { (*static_cast<const Function *>(f))(); })
        {
        }
        QLatin1StringView name;
        QStringView value;
        bool quoted = false;
        const void *function = nullptr;
        void (*call)(const void *) = nullptr;   // set when the slot is a function's
    };
    using Vars = std::initializer_list<Var>;

    // The slot $name$ written as the Basic string literal of `text`.
    static Var quoted(const char *name, QStringView text) { return Var(name, text, true); }

    // `errorSource` names the source of the error a name too long for a
    // Basic statement raises. `fixed` are text slots every template knows,
    // with values that do not change while the printer lives: no other slot
    // may take their names.
    explicit CodePrinter(QString indentUnit, QString errorSource = {}, Vars fixed = {});

    // Prints `text` with the values of `vars`, then of the slots given to
    // withVars(). A slot without a value is a programming error
    // (std::logic_error).
    CodePrinter &print(QLatin1StringView text, Vars vars = {});
    template <qsizetype N>
    CodePrinter &print(const char (&text)[N], Vars vars = {})
    {
        return print(QLatin1StringView(text, N - 1), vars);
    }

    void indent() { ++m_level; }
    void outdent() { --m_level; }

    // One level deeper while it lives.
    class [[nodiscard]] Indented {
    public:
        explicit Indented(CodePrinter &printer) : m_printer(printer) { m_printer.indent(); }
        ~Indented() { m_printer.outdent(); }
        Indented(const Indented &) = delete;
        Indented &operator=(const Indented &) = delete;

    private:
        CodePrinter &m_printer;
    };
    Indented indented() { return Indented(*this); }

    // Slots every print() knows while it lives; the texts must live as long.
    class [[nodiscard]] VarScope {
    public:
        VarScope(CodePrinter &printer, Vars vars);
        ~VarScope() { m_printer.m_scoped.resize(m_restore); }
        VarScope(const VarScope &) = delete;
        VarScope &operator=(const VarScope &) = delete;

    private:
        CodePrinter &m_printer;
        qsizetype m_restore;
    };
    VarScope withVars(Vars vars) { return VarScope(*this, vars); }

    // The width of the indent at the present level.
    qsizetype indentWidth() const { return m_indentUnit.size() * m_level; }

    // What "\n" in a template writes: CR LF unless set otherwise.
    void setLineEnd(QString lineEnd) { m_lineEnd = std::move(lineEnd); }

    void reserve(qsizetype size) { m_text.reserve(size); }
    qsizetype size() const { return m_text.size(); }

    const QString &text() const { return m_text; }
    // The text; the printer starts again, empty and without indent.
    QString take();
    // Empties the printer and drops its indent, keeping the room the text had.
    void clear();

private:
    // A template taken apart: literal text, slots, line ends and the tabs
    // that lead a line.
    struct Step {
        enum Kind : quint8 { Text, Slot, LineEnd, Tabs };
        Kind kind;
        qint32 length;              // Text, Slot: length; Tabs: count
        qint32 offset = 0;          // Text: where in Template::text
        const char *name = nullptr; // Slot: its name, in Template::source
        // Slot: where in the call's values the name was found last time; a
        // template is mostly printed with the same values in the same order.
        mutable qint32 hint = 0;
    };
    struct Template {
        const char *address;  // where the template was given
        QByteArray source;    // the template as given, to tell a reused address apart
        QString text;         // the literal text, fixed slots filled in
        QList<Step> steps;
    };

    const Template &parsed(QLatin1StringView text);
    const Var &valueOf(const Step &slot, Vars vars) const;
    const Var &valueOf(QLatin1StringView name, Vars vars) const;
    qsizetype printLines(const Var &var, const Template &t, qsizetype at);
    void beginLine(int level);
    void endLine();
    qsizetype restOfLineWidth(const Template &t, qsizetype from, Vars vars) const;
    void printQuoted(QStringView text, qsizetype tailWidth);

    QString m_indentUnit;
    QString m_errorSource;
    QList<Var> m_fixed;
    std::vector<std::unique_ptr<Template>> m_templates;
    std::array<const Template *, 64> m_recent{};   // by the address of the template
    QList<QString> m_indents;   // m_indents[n]: the unit written n times
    QString m_text;
    QString m_lineEnd = QStringLiteral("\r\n");
    QVarLengthArray<Var, 16> m_scoped;
    int m_level = 0;
    int m_lineLevel = 0;        // the level of the line being printed
    int m_pendingTabs = 0;      // the tabs that lead the line not yet begun
    qsizetype m_lineStart = 0;  // where in m_text that line begins
    bool m_atLineStart = true;
};

}  // namespace tabulo
