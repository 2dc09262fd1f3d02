#pragma once
// The tables of a --tables request among the tables a database lists. A
// requested name is a listed name, or differs from one only in letter case
// when that leaves no doubt, or is a name as --list-tables shows it (control
// characters escaped). Each name is found through hash tables, so that a
// request for thousands of tables takes time in proportion to its length.

#include <QHash>
#include <QList>
#include <QStringList>

namespace tabulo::cli {

class TableChoice {
public:
    // `listed`: the tables that can be chosen, in the order of the list.
    explicit TableChoice(QStringList listed);

    // The listed tables that `requested` names, each once, in list order;
    // all of them when nothing is requested. A name that is not listed fails
    // with error 3265 naming it and `source`.
    QStringList choose(const QStringList &requested, const QString &source) const;

private:
    static constexpr int kAmbiguous = -2;
    // The index of the listed table `name` names; -1 none, kAmbiguous.
    int find(const QString &name) const;
    void add(const QString &key, int index, bool isName);

    QStringList m_listed;
    QHash<QString, int> m_exact;           // name, and its shown form, to index
    QHash<QString, int> m_folded;          // case-folded, to index or kAmbiguous
};

}  // namespace tabulo::cli
