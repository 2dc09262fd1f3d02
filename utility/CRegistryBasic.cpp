#include "utility/CRegistryBasic.h"

#include "utility/BasicError.h"
#include "utility/internal/RegistryKeyAccess.h"

#include <limits>

namespace pembry {

using namespace registry;

namespace {

constexpr REGSAM kDefaultAccess = 31;
constexpr REGSAM kWriteAccess = 6;
const QString kSource = QStringLiteral("CRegistry");
const QString kRuntimeSource = QStringLiteral("Pembry31.CRegistryBasic");

qint16 count16(qsizetype n)
{
    return qint16(qMin<qsizetype>(n, std::numeric_limits<qint16>::max()));
}

}  // namespace

CRegistryBasic::CRegistryBasic() : m_key(std::make_unique<RegistryKeyAccess>(RegistryKeyAccess::ErrorStyle::Basic))
{
}

CRegistryBasic::~CRegistryBasic() = default;

bool CRegistryBasic::DeleteValue(const QString &sValue)
{
    try {
        bool deleted = false;
        {
            RegistryOperation operation(*m_key);
            if (m_key->openForOperation(kDefaultAccess))
                deleted = RegDeleteValue(m_key->handle(), sValue) == ERROR_SUCCESS;
        }
        Refresh();
        return deleted;
    } catch (...) {
        return false;
    }
}

QString CRegistryBasic::GetName(qint16 iRequest) const
{
    if (iRequest < 0 || iRequest >= m_values.size())
        return QString();
    return m_values[iRequest].first;
}

QString CRegistryBasic::GetSubKey(qint16 iIndex) const
{
    if (iIndex < 0 || iIndex >= m_subKeyCount || iIndex >= m_subKeys.size())
        return QString();
    return m_subKeys[iIndex];
}

QString CRegistryBasic::GetValue(const Variant &vRequest) const
{
    if (vRequest.kind() == Variant::Kind::Integer) {
        const qint64 index = vRequest.toInteger();
        if (index < 0 || index >= m_values.size())
            raiseError(err::SubscriptOutOfRange, kRuntimeSource);
        return m_values[index].second;
    }
    const QString name = vRequest.toString();
    for (const auto &[valueName, data] : m_values)
        if (valueName.compare(name, Qt::CaseInsensitive) == 0)
            return data;
    return QString();
}

bool CRegistryBasic::DeleteKey(const QString &KeyName)
{
    try {
        return m_key->deleteTree(KeyName);
    } catch (...) {
        return false;
    }
}

qint16 CRegistryBasic::Create(const QString &KeyName, const std::optional<Variant> &sKeyName,
                              const std::optional<QString> &sValue)
{
    qint16 result = 0;
    try {
        if (KeyName.compare(m_key->path, Qt::CaseInsensitive) != 0)
            m_key->path = m_key->childPath(KeyName);
        RegistryOperation operation(*m_key);
        const quint32 disposition = m_key->createOrOpen();
        if (disposition == 0)
            return 0;
        result = qint16(disposition);
        if (sKeyName && sValue && !SetValue(*sKeyName, *sValue))
            raiseError(60000, QStringLiteral("CRegistry.Create"), QStringLiteral("Could not set value"));
        result = -1;
    } catch (...) {
    }
    return result;
}

void CRegistryBasic::Refresh()
{
    m_values.clear();
    m_subKeys.clear();
    m_valueCount = 0;
    m_subKeyCount = 0;
    const RegistryKeyAccess::Contents contents = m_key->readContents(kDefaultAccess);
    // String values up to the first value of another type.
    for (const RegistryKeyAccess::RawValue &v : contents.values) {
        if (v.type != REG_SZ)
            break;
        m_values.append({v.name, stringFromData(v.data)});
    }
    m_subKeys = contents.subKeys;
    m_valueCount = count16(m_values.size());
    m_subKeyCount = count16(m_subKeys.size());
}

void CRegistryBasic::ExportKey(const QString &strFilename)
{
    m_key->save(strFilename, QStringLiteral("CRegistry.ExportKey"));
}

void CRegistryBasic::ImportKey(const QString &strFilename)
{
    m_key->restore(strFilename, QStringLiteral("CRegistry.ImportKey"));
    Refresh();
}

bool CRegistryBasic::SetValue(const Variant &sKeyName, const QString &sValue)
{
    QString name;
    if (sKeyName.kind() == Variant::Kind::Integer) {
        const qint64 index = sKeyName.toInteger();
        if (index < 0 || index >= m_values.size())
            raiseError(err::SubscriptOutOfRange, kRuntimeSource);
        name = m_values[index].first;
    } else {
        name = sKeyName.toString();
    }
    RegistryOperation operation(*m_key);
    if (!m_key->openForOperation(kWriteAccess))
        return false;
    const qint32 rc = RegSetValueEx(m_key->handle(), name, REG_SZ, stringData(sValue));
    if (rc != ERROR_SUCCESS)
        throw BasicError(RegAutomationErrorBase + rc, kSource, QStringLiteral("Couldn't write value to registry"));
    return true;
}

QString CRegistryBasic::Default() const
{
    return QString();
}

void CRegistryBasic::setDefault(const QString &)
{
}

qint16 CRegistryBasic::ValueCount() const
{
    return m_valueCount;
}

void CRegistryBasic::setValueCount(qint16)
{
    throw BasicError(RegErrorNoLetProperty, QStringLiteral("CRegistry.Let ValueCount"),
                     QStringLiteral("The Let Property is not available"));
}

bool CRegistryBasic::AutoCreate() const
{
    return m_key->autoCreate;
}

void CRegistryBasic::setAutoCreate(bool value)
{
    m_key->autoCreate = value;
}

QString CRegistryBasic::key() const
{
    return m_key->path;
}

void CRegistryBasic::setKey(const QString &value)
{
    m_key->path = value;
    Refresh();
}

fisEnumRootValues CRegistryBasic::Root() const
{
    return fisEnumRootValues(m_key->root);
}

void CRegistryBasic::setRoot(fisEnumRootValues value)
{
    m_key->root = value;
    try {
        RegistryOperation operation(*m_key);
        m_key->openForOperation(kDefaultAccess);
    } catch (...) {
    }
}

qint16 CRegistryBasic::SubKeyCount() const
{
    return m_subKeyCount;
}

void CRegistryBasic::setSubKeyCount(qint16 value)
{
    m_subKeyCount = value;
}

}  // namespace pembry
