#pragma once
// The names a script gives: each as the source spells it where the dialect
// allows, shortened to the dialect's limit the same way every time, and
// kept unique where the dialect needs it.

#include "wizard/generator/sql/SqlDialect.h"

#include <QHash>
#include <QString>

namespace tabulo::sql {

// One namespace of the target (the tables and schema-wide indexes, or the
// columns of one table, ...). Names are compared regardless of letter case,
// as the engines compare some of them.
class NameSpace {
public:
    NameSpace(const DialectRules &rules, bool lowercase) : m_rules(&rules), m_lowercase(lowercase) {}

    // The name to write for a name of the source. Under lower-case names,
    // two source names that fold to one are refused (error 5, naming both).
    QString claimSourceName(const QString &name);
    // The name to write for a name the script makes up (an index named
    // after its table, a child table): numbered when it is taken.
    QString claimMadeName(const QString &name);

private:
    QString fitted(const QString &name) const;
    QString claim(const QString &wanted);

    const DialectRules *m_rules;
    bool m_lowercase;
    QHash<QString, QString> m_taken;   // folded name -> the source name it was claimed for
};

// The name shortened to the dialect's limit: cut, with a hash of the whole
// name appended so that two long names that share a beginning stay apart.
QString shortenedName(const DialectRules &rules, const QString &name);

}  // namespace tabulo::sql
