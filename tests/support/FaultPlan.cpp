#include "FaultPlan.h"

namespace testsupport {

namespace {
// "TableDef[Orders].Fields" -> "TableDef"
QString objectOf(const QString &member)
{
    qsizetype end = member.indexOf(QLatin1Char('['));
    if (end < 0)
        end = member.indexOf(QLatin1Char('.'));
    return end < 0 ? member : member.left(end);
}

QString namedKey(const QString &member, const QString &name)
{
    const qsizetype dot = member.indexOf(QLatin1Char('.'));
    return member.left(dot) + QLatin1Char('[') + name + QLatin1Char(']') + member.mid(dot);
}
}  // namespace

void FaultPlan::inject(const QString &member, const QList<dao::EngineError> &entries, int times)
{
    m_faults.insert(member, Fault{entries, times, false});
}

void FaultPlan::inject(const QString &member, int number, const QString &description, int times)
{
    // DAO's own text gets the failing object's name where it has a place for one.
    const bool ownText = description.isEmpty();
    const QString text = ownText ? dao::engineErrorText(number, QStringLiteral("|")) : description;
    m_faults.insert(member, Fault{{dao::engineError(number, text, QStringLiteral("DAO.") + objectOf(member))},
                                  times, ownText});
}

void FaultPlan::remove(const QString &member)
{
    m_faults.remove(member);
}

void FaultPlan::clear()
{
    m_faults.clear();
}

int FaultPlan::callCount(const QString &member) const
{
    int count = 0;
    for (const Call &call : m_calls) {
        if (call.member == member || (!call.name.isEmpty() && namedKey(call.member, call.name) == member))
            ++count;
    }
    return count;
}

void FaultPlan::enter(dao::ErrorList &errors, const QString &member, const QString &name,
                      const QStringList &arguments)
{
    m_calls.append(Call{member, name, arguments});
    if (m_faults.isEmpty())
        return;
    if (!name.isEmpty() && trigger(errors, namedKey(member, name), name))
        return;
    trigger(errors, member, name);
}

bool FaultPlan::trigger(dao::ErrorList &errors, const QString &key, const QString &name)
{
    auto it = m_faults.find(key);
    if (it == m_faults.end() || it->remaining == 0)
        return false;
    if (it->remaining > 0)
        --it->remaining;
    QList<dao::EngineError> entries = it->entries;
    if (it->fillName) {
        for (dao::EngineError &e : entries)
            e.Description.replace(QLatin1Char('|'), name);
    }
    errors.raise(entries);
}

}  // namespace testsupport
