#include "utility/CRegistryAdvanced.h"

#include "utility/BasicError.h"
#include "utility/internal/RegistryKeyAccess.h"

#include <QtEndian>
#include <limits>

namespace pembry {

using namespace registry;

namespace {

constexpr REGSAM kWriteAccess = 0x20006;
constexpr qint32 kDefaultAccess = 0x2001F;
const QString kSource = QStringLiteral("CRegistry");
const QString kDefaultName = QStringLiteral("<DEFAULT>");

quint32 dwordOf(const Variant &value)
{
    const qint64 n = value.toInteger();
    if (n < std::numeric_limits<qint32>::min() || n > qint64(std::numeric_limits<quint32>::max()))
        raiseError(err::Overflow, kSource);
    return quint32(n);
}

// A multi-string given as one text: NUL-separated, made to end with two NULs.
QByteArray multiStringFromText(const QString &text)
{
    QByteArray data = text.toUtf8();
    if (!data.endsWith('\0'))
        data.append('\0');
    if (!data.endsWith(QByteArray(2, '\0')))
        data.append('\0');
    return data;
}

QByteArray bytesOf(const Variant &value)
{
    if (!value.isArray())
        return value.toString().toUtf8();
    QByteArray data;
    for (const Variant &element : value.toArray()) {
        const qint64 b = element.toInteger();
        if (b < 0 || b > 255)
            raiseError(err::InvalidCall, kSource, QStringLiteral("Byte Array"));
        data.append(char(b));
    }
    return data;
}

}  // namespace

CRegistryAdvanced::CRegistryAdvanced()
    : m_key(std::make_unique<RegistryKeyAccess>(RegistryKeyAccess::ErrorStyle::Advanced, [this] { Refresh(); }))
{
}

CRegistryAdvanced::~CRegistryAdvanced() = default;

QString CRegistryAdvanced::valueName(const Variant &sKeyName) const
{
    const QString name = sKeyName.kind() == Variant::Kind::Integer ? GetName(qint16(sKeyName.toInteger()))
                                                                   : sKeyName.toString();
    // The default value is listed as "<DEFAULT>"; writing that name writes it.
    return name.compare(kDefaultName, Qt::CaseInsensitive) == 0 ? QString() : name;
}

bool CRegistryAdvanced::DeleteValue(const QString &sValue)
{
    return m_key->deleteValue(valueName(sValue), REGSAM(m_access));
}

QString CRegistryAdvanced::GetName(qint16 iRequest) const
{
    return m_values.Item(Variant(int(iRequest))).Name();
}

QString CRegistryAdvanced::GetValue(const Variant &vRequest) const
{
    Variant request = vRequest;
    if (request.kind() != Variant::Kind::Integer && request.toString().isEmpty())
        request = kDefaultName;
    const clsRegKeyData *record = nullptr;
    try {
        record = &m_values.Item(request);
    } catch (const BasicError &e) {
        if (e.number() == 1200)
            return QString();
        throw;
    }
    switch (record->DataType()) {
    case REG_DWORD:
        return QString::number(record->LongData());
    case REG_BINARY:
        throw BasicError(RegErrorBinaryData, kSource,
                         QStringLiteral("The value \"%1\" holds binary data").arg(record->Name()));
    default:
        return record->StringData();
    }
}

bool CRegistryAdvanced::DeleteKey(const QString &KeyName)
{
    return m_key->deleteTree(KeyName);
}

qint16 CRegistryAdvanced::Create(const QString &KeyName, const std::optional<Variant> &sKeyName,
                                 const std::optional<QString> &sValue)
{
    return m_key->create(KeyName, [&] { return !(sKeyName && sValue) || SetValue(*sKeyName, Variant(*sValue)); });
}

bool CRegistryAdvanced::SetValue(const Variant &sKeyName, const Variant &sValue, fisEnumRegTypes regType)
{
    const QString name = valueName(sKeyName);
    quint32 type = REG_NONE;
    QByteArray data;
    switch (regType) {
    case RegNone:
        switch (sValue.kind()) {
        case Variant::Kind::Integer:
            type = REG_DWORD;
            data = dwordData(dwordOf(sValue));
            break;
        case Variant::Kind::String: {
            const QString text = sValue.toString();
            if (text.contains(QChar(0))) {
                type = REG_MULTI_SZ;
                data = multiStringFromText(text);
            } else {
                type = text.contains(u'%') ? REG_EXPAND_SZ : REG_SZ;
                data = stringData(text);
            }
            break;
        }
        case Variant::Kind::Array:
            raiseError(err::InvalidCall, kSource, QStringLiteral("Byte Array"));
        default:
            raiseError(err::TypeMismatch, kSource);
        }
        break;
    case RegSz:
    case RegExpandSz:
        type = quint32(regType);
        data = stringData(sValue.toString());
        break;
    case RegDword:
        type = REG_DWORD;
        data = dwordData(dwordOf(sValue));
        break;
    case RegDwordBigEndian:
        type = REG_DWORD_BIG_ENDIAN;
        data = QByteArray(4, '\0');
        qToBigEndian(dwordOf(sValue), data.data());
        break;
    case RegMultiSz:
        type = REG_MULTI_SZ;
        if (sValue.isArray()) {
            QStringList items;
            for (const Variant &element : sValue.toArray())
                items.append(element.toString());
            data = multiStringData(items);
        } else {
            data = multiStringFromText(sValue.toString());
        }
        break;
    case RegBinary:
    case RegLink:
    case RegResourceList:
    case RegFulResourceDesc:
        type = quint32(regType);
        data = bytesOf(sValue);
        break;
    default:
        raiseError(err::InvalidCall, kSource);
    }
    return write(name, type, data);
}

bool CRegistryAdvanced::SetValue(const Variant &sKeyName, const QByteArray &sValue, fisEnumRegTypes regType)
{
    if (regType == RegNone)
        raiseError(err::InvalidCall, kSource, QStringLiteral("Byte Array"));
    if (regType < RegNone || regType > RegFulResourceDesc)
        raiseError(err::InvalidCall, kSource);
    return write(valueName(sKeyName), quint32(regType), sValue);
}

bool CRegistryAdvanced::write(const QString &name, quint32 type, const QByteArray &data)
{
    if (!m_key->writeValue(name, type, data, kWriteAccess))
        return false;
    Refresh();
    return true;
}

void CRegistryAdvanced::Refresh()
{
    m_values.Clear();
    m_subKeys.clear();
    m_valueCount = 0;
    const RegistryKeyAccess::Contents contents = m_key->readContents(REGSAM(m_access));
    for (const RegistryKeyAccess::RawValue &v : contents.values) {
        const QString name = v.name.isEmpty() ? kDefaultName : v.name;
        if (!m_values.Contains(name))   // a value really named "<DEFAULT>" beside the default one
            m_values.Add(clsRegKeyData(name, v.type, v.data));
    }
    m_subKeys = contents.subKeys;
    m_valueCount = RegistryKeyAccess::count16(m_values.Count());
}

void CRegistryAdvanced::ExportKey(const QString &strFilename)
{
    m_key->exportKey(strFilename);
}

void CRegistryAdvanced::ImportKey(const QString &strFilename)
{
    m_key->importKey(strFilename);
}

QString CRegistryAdvanced::Default() const
{
    return QString();
}

void CRegistryAdvanced::setDefault(const QString &)
{
}

qint16 CRegistryAdvanced::ValueCount() const
{
    return m_valueCount;
}

void CRegistryAdvanced::setValueCount(qint16)
{
    RegistryKeyAccess::refuseValueCount();
}

bool CRegistryAdvanced::AutoCreate() const
{
    return m_key->autoCreate;
}

void CRegistryAdvanced::setAutoCreate(bool value)
{
    m_key->autoCreate = value;
}

QString CRegistryAdvanced::key() const
{
    return m_key->path;
}

void CRegistryAdvanced::setKey(const QString &value)
{
    QString path = value;
    while (path.startsWith(u' '))
        path.remove(0, 1);
    while (path.endsWith(u' '))
        path.chop(1);
    if (path.startsWith(u'\\'))
        path.remove(0, 1);
    m_key->path = path;
    Refresh();
}

fisEnumRootValues CRegistryAdvanced::Root() const
{
    return fisEnumRootValues(m_key->root);
}

void CRegistryAdvanced::setRoot(fisEnumRootValues value)
{
    m_key->selectRoot(value, REGSAM(kDefaultAccess));
}

qint32 CRegistryAdvanced::Access() const
{
    return m_access;
}

void CRegistryAdvanced::setAccess(qint32 value)
{
    m_access = value;
}

}  // namespace pembry
