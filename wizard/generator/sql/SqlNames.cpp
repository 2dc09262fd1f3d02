#include "wizard/generator/sql/SqlNames.h"

#include "utility/BasicError.h"

namespace tabulo::sql {

namespace {

qsizetype lengthOf(const DialectRules &rules, QStringView name)
{
    return rules.nameLengthInBytes ? name.toUtf8().size() : name.size();
}

// The longest beginning of `name` within `limit`, never splitting a
// surrogate pair.
QString cutTo(const DialectRules &rules, const QString &name, qsizetype limit)
{
    qsizetype end = 0;
    qsizetype length = 0;
    while (end < name.size()) {
        const qsizetype step = name[end].isHighSurrogate() && end + 1 < name.size() ? 2 : 1;
        const qsizetype add = lengthOf(rules, QStringView(name).mid(end, step));
        if (length + add > limit)
            break;
        length += add;
        end += step;
    }
    return name.left(end);
}

// FNV-1a over the UTF-8 bytes: the same on every run and machine.
quint32 stableHash(const QString &text)
{
    quint32 hash = 2166136261u;
    for (char byte : text.toUtf8()) {
        hash ^= quint8(byte);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

QString shortenedName(const DialectRules &rules, const QString &name)
{
    if (rules.maxNameLength == 0 || lengthOf(rules, name) <= rules.maxNameLength)
        return name;
    const QString tail = QStringLiteral("_%1").arg(stableHash(name), 8, 16, QLatin1Char('0'));
    return cutTo(rules, name, rules.maxNameLength - tail.size()) + tail;
}

QString NameSpace::fitted(const QString &name) const
{
    return shortenedName(*m_rules, m_lowercase ? name.toLower() : name);
}

QString NameSpace::claim(const QString &wanted)
{
    QString name = wanted;
    for (int n = 2; m_taken.contains(name.toCaseFolded()); ++n) {
        const QString suffix = QStringLiteral("_%1").arg(n);
        name = m_rules->maxNameLength == 0
                   ? wanted + suffix
                   : cutTo(*m_rules, wanted, m_rules->maxNameLength - lengthOf(*m_rules, suffix)) + suffix;
    }
    return name;
}

QString NameSpace::claimSourceName(const QString &name)
{
    const QString wanted = fitted(name);
    const auto taken = m_taken.constFind(wanted.toCaseFolded());
    if (m_lowercase && taken != m_taken.cend() && *taken != name)
        pembry::raiseError(pembry::err::InvalidCall, QStringLiteral("tabulo"),
                           QStringLiteral("The names \"%1\" and \"%2\" are the same in lower case (\"%3\"); "
                                          "write the script without lower-case names.")
                               .arg(*taken, name, wanted));
    const QString claimed = claim(wanted);
    m_taken.insert(claimed.toCaseFolded(), name);
    return claimed;
}

QString NameSpace::claimMadeName(const QString &name)
{
    const QString claimed = claim(fitted(name));
    m_taken.insert(claimed.toCaseFolded(), name);
    return claimed;
}

}  // namespace tabulo::sql
