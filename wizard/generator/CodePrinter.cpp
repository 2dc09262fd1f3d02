#include "wizard/generator/CodePrinter.h"

#include "utility/BasicError.h"
#include "wizard/engine/SchemaModel.h"
#include "wizard/generator/BasicLiteral.h"

#include <QStringList>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tabulo {

namespace {

// Slot names are short: compared inline, most differ in length or first
// letter.
bool sameName(QLatin1StringView a, QLatin1StringView b)
{
    if (a.size() != b.size())
        return false;
    const char *x = a.data();
    const char *y = b.data();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (x[i] != y[i])
            return false;
    }
    return true;
}

[[noreturn]] void noValue(QLatin1StringView name)
{
    throw std::logic_error("CodePrinter: no value for the slot $" + name.toString().toStdString() + "$");
}

}  // namespace

CodePrinter::CodePrinter(QString indentUnit, QString errorSource, Vars fixed)
    : m_indentUnit(std::move(indentUnit)), m_errorSource(std::move(errorSource)), m_fixed(fixed)
{
}

CodePrinter::VarScope::VarScope(CodePrinter &printer, Vars vars)
    : m_printer(printer), m_restore(printer.m_scoped.size())
{
    m_printer.m_scoped.append(vars.begin(), qsizetype(vars.size()));
}

const CodePrinter::Template &CodePrinter::parsed(QLatin1StringView text)
{
    const QByteArrayView given(text.data(), text.size());
    const quintptr address = quintptr(text.data());
    const Template *&recent = m_recent[((address >> 3) ^ (address >> 9)) % m_recent.size()];
    if (recent && recent->address == text.data() && QByteArrayView(recent->source) == given)
        return *recent;
    for (const std::unique_ptr<Template> &known : m_templates) {
        if (known->address == text.data() && QByteArrayView(known->source) == given) {
            recent = known.get();
            return *known;
        }
    }

    auto made = std::make_unique<Template>();
    Template &t = *made;
    t.address = text.data();
    t.source = QByteArray(text.data(), text.size());
    const auto addText = [&t](QStringView piece) {
        if (piece.isEmpty())
            return;
        if (!t.steps.isEmpty() && t.steps.constLast().kind == Step::Text)
            t.steps.last().length += qint32(piece.size());
        else
            t.steps.append({Step::Text, qint32(piece.size()), qint32(t.text.size())});
        t.text += piece;
    };
    const char *const begin = t.source.constData();
    const char *const end = begin + t.source.size();
    const char *p = begin;
    bool lineStart = true;
    while (p != end) {
        if (lineStart) {
            const char *const tabs = p;
            while (p != end && *p == '\t')
                ++p;
            if (p != tabs)
                t.steps.append({Step::Tabs, qint32(p - tabs)});
            lineStart = false;
        } else if (*p == '\n') {
            t.steps.append({Step::LineEnd, 0});
            ++p;
            lineStart = true;
        } else if (*p == '$') {
            const char *close = p + 1;
            while (close != end && *close != '$')
                ++close;
            if (close == end)
                throw std::logic_error("CodePrinter: a template slot is not closed");
            const QLatin1StringView name(p + 1, close - p - 1);
            const auto fixed = std::find_if(m_fixed.cbegin(), m_fixed.cend(),
                                            [&](const Var &var) { return sameName(var.name, name); });
            if (name.isEmpty())
                addText(u"$");
            else if (fixed != m_fixed.cend())
                addText(fixed->value);
            else
                t.steps.append({Step::Slot, qint32(name.size()), 0, p + 1});
            p = close + 1;
        } else {
            const char *const run = p;
            while (p != end && *p != '$' && *p != '\n')
                ++p;
            addText(QString::fromLatin1(run, p - run));
        }
    }
    // A template that changed at its address replaces the old one.
    std::erase_if(m_templates, [&](const std::unique_ptr<Template> &known) { return known->address == t.address; });
    recent = made.get();
    m_templates.push_back(std::move(made));
    return t;
}

inline const CodePrinter::Var &CodePrinter::valueOf(const Step &slot, Vars vars) const
{
    const QLatin1StringView name(slot.name, slot.length);
    if (slot.hint < qint32(vars.size()) && sameName(vars.begin()[slot.hint].name, name))
        return vars.begin()[slot.hint];
    const Var &var = valueOf(name, vars);
    if (&var >= vars.begin() && &var < vars.end())
        slot.hint = qint32(&var - vars.begin());
    return var;
}

CodePrinter &CodePrinter::print(QLatin1StringView text, Vars vars)
{
    const Template &t = parsed(text);
    const QChar *const chars = t.text.constData();
    const qsizetype count = t.steps.size();
    for (qsizetype i = 0; i < count; ++i) {
        const Step &step = t.steps.at(i);
        switch (step.kind) {
        case Step::Tabs:
            if (m_atLineStart)
                m_pendingTabs = step.length;
            else
                m_text += QString(step.length, u'\t');
            continue;
        case Step::LineEnd:
            endLine();
            continue;
        case Step::Text:
            if (m_atLineStart)
                beginLine(m_level + m_pendingTabs);
            m_text.append(chars + step.offset, step.length);
            continue;
        case Step::Slot:
            break;
        }
        const Var &var = valueOf(step, vars);
        if (var.call) {
            i = printLines(var, t, i);
            continue;
        }
        if (m_atLineStart)
            beginLine(m_level + m_pendingTabs);
        Q_ASSERT(!var.value.contains(u'\r') && !var.value.contains(u'\n'));
        if (var.quoted)
            printQuoted(var.value, restOfLineWidth(t, i + 1, vars));
        else
            m_text += var.value;
    }
    return *this;
}

// The lines of the function bound to the slot at step `at`, which stands
// alone on its line: one level deeper for each tab that leads the slot.
// Returns the step of the slot's line end, which is not written.
qsizetype CodePrinter::printLines(const Var &var, const Template &t, qsizetype at)
{
    if (!m_atLineStart || at + 1 == t.steps.size() || t.steps.at(at + 1).kind != Step::LineEnd)
        throw std::logic_error("CodePrinter: the slot $" + QLatin1StringView(var.name).toString().toStdString()
                               + "$ of a function does not stand alone on its line");
    const int deeper = std::exchange(m_pendingTabs, 0);
    m_level += deeper;
    struct Restore {
        CodePrinter &printer;
        int levels;
        ~Restore() { printer.m_level -= levels; }
    } restore{*this, deeper};
    var.call(var.function);
    Q_ASSERT(m_atLineStart);
    return at + 1;
}

const CodePrinter::Var &CodePrinter::valueOf(QLatin1StringView name, Vars vars) const
{
    for (const Var &var : vars) {
        if (sameName(var.name, name))
            return var;
    }
    for (qsizetype i = m_scoped.size(); i-- > 0;) {
        if (sameName(m_scoped[i].name, name))
            return m_scoped[i];
    }
    noValue(name);
}

void CodePrinter::beginLine(int level)
{
    while (m_indents.size() <= level)
        m_indents.append(m_indentUnit.repeated(m_indents.size()));
    m_lineLevel = level;
    m_lineStart = m_text.size();
    m_text += m_indents.at(level);
    m_atLineStart = false;
    m_pendingTabs = 0;
}

void CodePrinter::endLine()
{
    m_text += m_lineEnd;
    m_atLineStart = true;
    m_pendingTabs = 0;
}

// The width the steps from `from` add to the present line.
qsizetype CodePrinter::restOfLineWidth(const Template &t, qsizetype from, Vars vars) const
{
    qsizetype width = 0;
    for (qsizetype i = from; i < t.steps.size(); ++i) {
        const Step &step = t.steps.at(i);
        if (step.kind == Step::LineEnd)
            break;
        width += step.kind == Step::Slot ? valueOf(step, vars).value.size() : step.length;
    }
    return width;
}

// Reading a design refuses the names no statement can hold: longer than
// every continued line filled with the name's literal.
static_assert(schema::MaxNameLength == (CodePrinter::kMaxContinuations + 1) * CodePrinter::kMaxLineLength);

// A name as a Basic string on the present line; too long for the line, its
// parts are continued on lines one level deeper, the first part after what
// the line holds and the rest of the line after the last part.
void CodePrinter::printQuoted(QStringView text, qsizetype tailWidth)
{
    const QString literal = basicStringLiteral(text);
    const qsizetype headWidth = m_text.size() - m_lineStart;
    if (headWidth + literal.size() + tailWidth <= kMaxLineLength) {
        m_text += literal;
        return;
    }
    const QStringView continuation = u" & _";
    const int level = m_lineLevel;
    const qsizetype continuedIndent = m_indentUnit.size() * (level + 1);
    const qsizetype room = kMaxLineLength - continuation.size() - std::max(headWidth, continuedIndent + tailWidth);
    const QStringList parts = basicStringExpressionParts(text, {}, room);
    if (parts.size() > kMaxContinuations + 1)
        pembry::raiseError(pembry::err::InvalidCall, m_errorSource,
                           QStringLiteral("The name \"%1...\" (%2 characters) is too long for a Basic statement.")
                               .arg(text.left(64).toString())
                               .arg(text.size()));
    m_text += parts.constFirst();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        m_text += continuation;
        endLine();
        beginLine(level + 1);
        m_text += parts.at(i);
    }
}

QString CodePrinter::take()
{
    QString text = std::exchange(m_text, QString());
    clear();
    return text;
}

void CodePrinter::clear()
{
    m_text.resize(0);   // keeps the room, for a printer that is filled again
    m_level = 0;
    m_pendingTabs = 0;
    m_atLineStart = true;
    m_lineStart = 0;
}

}  // namespace tabulo
