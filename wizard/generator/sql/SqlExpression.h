#pragma once
// Access expressions in SQL: default values, validation rules and the
// expressions of calculated fields. A documented subset translates:
//   - literals: numbers, "texts" and 'texts', #dates#, True/False/Yes/No/
//     On/Off, Null;
//   - [Field] names of the table;
//   - arithmetic + - * /, and & between texts;
//   - comparisons = <> < > <= >=, [Not] Between ... And ..., [Not] In (...),
//     Is [Not] Null, [Not] Like "pattern" with * and ? as wildcards;
//   - And, Or, Not, parentheses;
//   - Date(), Now(), Time() (where the dialect allows them) and Len().
// A field's validation rule may leave out its first operand (">=0"), which
// is then the field. Anything else is refused with the reason, and the
// script leaves it out with a comment.

#include "wizard/generator/sql/SqlDialect.h"

#include <QString>
#include <functional>
#include <optional>

namespace tabulo::sql {

// A field an expression names, as the script writes it.
struct ColumnRef {
    QString quoted;             // the column's quoted name
    const schema::Field *field; // its design
};

struct ExpressionContext {
    const DialectRules *rules;
    // The columns [Name] may name; none for a name the table lacks.
    std::function<std::optional<ColumnRef>(const QString &name)> column;
    // A field's validation rule: the field its rule may leave out.
    std::optional<ColumnRef> implicitOperand;
    // The expression is a CHECK or a generated column, where the current
    // date and time are refused by some dialects and calculated fields may
    // not be named.
    bool deterministic = false;
    // The expression of a generated column, where no dialect allows them.
    bool generated = false;
};

struct Translation {
    QString sql;        // empty when refused
    QString problem;    // why it was refused
    bool ok() const { return problem.isEmpty(); }
};

// A validation rule as the condition of a CHECK.
Translation translateCondition(const QString &expression, const ExpressionContext &context);

// A calculated field's expression as a generated column's.
Translation translateExpression(const QString &expression, const ExpressionContext &context);

// A default value for `field` (a leading "=" is dropped), as the text after
// DEFAULT.
Translation translateDefault(const QString &defaultValue, const schema::Field &field, const DialectRules &rules);

}  // namespace tabulo::sql
