#include "utility/CRegistryBasic.h"

#include "utility/BasicError.h"
#include "utility/internal/RegistryKeyAccess.h"

namespace pembry {

using namespace registry;

namespace {

constexpr REGSAM kDefaultAccess = 31;
constexpr REGSAM kWriteAccess = 6;
const QString kRuntimeSource = QStringLiteral("Pembry31.CRegistryBasic");

}  // namespace

CRegistryBasic::CRegistryBasic()
    : m_key(std::make_unique<RegistryKeyAccess>(RegistryKeyAccess::ErrorStyle::Basic, [this] { Refresh(); }))
{
}

CRegistryBasic::~CRegistryBasic() = default;

bool CRegistryBasic::DeleteValue(const QString &sValue)
{
    return m_key->deleteValue(sValue, kDefaultAccess);
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
    return m_key->deleteTree(KeyName);
}

qint16 CRegistryBasic::Create(const QString &KeyName, const std::optional<Variant> &sKeyName,
                              const std::optional<QString> &sValue)
{
    return m_key->create(KeyName, [&] { return !(sKeyName && sValue) || SetValue(*sKeyName, *sValue); });
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
    m_valueCount = RegistryKeyAccess::count16(m_values.size());
    m_subKeyCount = RegistryKeyAccess::count16(m_subKeys.size());
}

void CRegistryBasic::ExportKey(const QString &strFilename)
{
    m_key->exportKey(strFilename);
}

void CRegistryBasic::ImportKey(const QString &strFilename)
{
    m_key->importKey(strFilename);
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
    return m_key->writeValue(name, REG_SZ, stringData(sValue), kWriteAccess);
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
    RegistryKeyAccess::refuseValueCount();
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
    m_key->selectRoot(value, kDefaultAccess);
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
