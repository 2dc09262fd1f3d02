#include "utility/internal/RegistryKeyAccess.h"

#include "utility/BasicError.h"

#include <limits>

namespace pembry {

using namespace registry;

namespace {

constexpr REGSAM kCreateAccess = 63;
const QString kKeyInfoSource = QStringLiteral("GetKeyInfo");

// Closes the key's handle when an operation ends, however it ends.
class RegistryOperation {
public:
    explicit RegistryOperation(RegistryKeyAccess &key) : m_key(key) {}
    ~RegistryOperation() { m_key.close(); }
    RegistryOperation(const RegistryOperation &) = delete;
    RegistryOperation &operator=(const RegistryOperation &) = delete;

private:
    RegistryKeyAccess &m_key;
};

[[noreturn]] void raiseOpenFail()
{
    throw BasicError(RegErrorOpenFail, kKeyInfoSource, QStringLiteral("Unable to open Key"));
}

}  // namespace

QString RegistryKeyAccess::childPath(const QString &name) const
{
    return path.isEmpty() ? name : path + u'\\' + name;
}

void RegistryKeyAccess::close()
{
    if (m_handle != 0) {
        RegCloseKey(m_handle);
        m_handle = 0;
    }
}

quint32 RegistryKeyAccess::createOrOpen()
{
    close();
    HKEY h = 0;
    quint32 disposition = 0;
    const qint32 rc = RegCreateKeyEx(HKEY(root), path, QString(), 0, kCreateAccess, &h, &disposition);
    if (rc == ERROR_SUCCESS) {
        m_handle = h;
        return disposition;
    }
    const QString source = QStringLiteral("CreateEx");
    if (m_style == ErrorStyle::Basic) {
        if (rc == ERROR_BADKEY)
            throw BasicError(RegErrorOpenFail, source, QStringLiteral("Cannot Open Parent Key"));
        throw BasicError(REG_ERROR_UNKNOWN, source, QStringLiteral("Unknown Error: %1").arg(rc));
    }
    if (rc == ERROR_BADKEY)
        throw BasicError(RegAutomationErrorBase + ERROR_BADKEY, source, QStringLiteral("Cannot Open Parent Key"));
    throw BasicError(RegAutomationErrorBase + rc, source, QStringLiteral("Unknown error"));
}

bool RegistryKeyAccess::openForOperation(REGSAM mask)
{
    if (path.isEmpty() || root == 0)
        return false;
    close();
    if (autoCreate) {
        const quint32 disposition = createOrOpen();
        return disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY;
    }
    HKEY h = 0;
    if (RegOpenKeyEx(HKEY(root), path, 0, mask, &h) != ERROR_SUCCESS)
        return false;
    m_handle = h;
    return true;
}

RegistryKeyAccess::Contents RegistryKeyAccess::readContents(REGSAM access)
{
    RegistryOperation operation(*this);
    close();
    if (autoCreate) {
        quint32 disposition = 0;
        try {
            disposition = createOrOpen();
        } catch (const BasicError &) {
            raiseOpenFail();
        }
        if (disposition == 0)
            throw BasicError(1000, kKeyInfoSource, QStringLiteral("Unable to create Key"));
    } else {
        HKEY h = 0;
        if (RegOpenKeyEx(HKEY(root), path, 0, access, &h) != ERROR_SUCCESS)
            raiseOpenFail();
        m_handle = h;
    }

    KeyInfo info;
    if (RegQueryInfoKey(m_handle, &info) != ERROR_SUCCESS)
        raiseOpenFail();
    Contents contents;
    contents.values.reserve(info.values);
    for (quint32 index = 0;; ++index) {
        RawValue v;
        const qint32 rc = RegEnumValue(m_handle, index, &v.name, &v.type, &v.data);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            raiseOpenFail();
        contents.values.append(v);
    }
    for (quint32 index = 0;; ++index) {
        QString name;
        const qint32 rc = RegEnumKeyEx(m_handle, index, &name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            raiseOpenFail();
        contents.subKeys.append(name);
    }
    return contents;
}

void RegistryKeyAccess::selectRoot(quint32 value, REGSAM mask)
{
    root = value;
    try {
        RegistryOperation operation(*this);
        openForOperation(mask);
    } catch (...) {
    }
}

bool RegistryKeyAccess::deleteValue(const QString &name, REGSAM mask)
{
    try {
        bool deleted = false;
        {
            RegistryOperation operation(*this);
            if (openForOperation(mask))
                deleted = RegDeleteValue(m_handle, name) == ERROR_SUCCESS;
        }
        m_refresh();
        return deleted;
    } catch (...) {
        return false;
    }
}

bool RegistryKeyAccess::writeValue(const QString &name, quint32 type, const QByteArray &data, REGSAM mask)
{
    RegistryOperation operation(*this);
    if (!openForOperation(mask))
        return false;
    const qint32 rc = RegSetValueEx(m_handle, name, type, data);
    if (rc != ERROR_SUCCESS)
        throw BasicError(RegAutomationErrorBase + rc, QStringLiteral("CRegistry"),
                         QStringLiteral("Couldn't write value to registry"));
    return true;
}

bool RegistryKeyAccess::deleteTree(const QString &keyName)
{
    if (path.isEmpty() || root == 0 || keyName.isEmpty())
        return false;
    try {
        close();
        return deleteTreeAt(path, keyName);
    } catch (...) {
        return false;
    }
}

qint16 RegistryKeyAccess::create(const QString &keyName, const std::function<bool()> &writeValue)
{
    qint16 result = 0;
    try {
        if (keyName.compare(path, Qt::CaseInsensitive) != 0)
            path = childPath(keyName);
        RegistryOperation operation(*this);
        const quint32 disposition = createOrOpen();
        if (disposition == 0)
            return 0;
        result = qint16(disposition);
        if (!writeValue())
            raiseError(60000, QStringLiteral("CRegistry.Create"), QStringLiteral("Could not set value"));
        result = -1;
    } catch (...) {
    }
    return result;
}

bool RegistryKeyAccess::deleteTreeAt(const QString &parentPath, const QString &keyName)
{
    const QString full = parentPath + u'\\' + keyName;
    HKEY h = 0;
    if (RegOpenKeyEx(HKEY(root), full, 0, kCreateAccess, &h) != ERROR_SUCCESS)
        return false;
    // Always sub-key 0: each one is gone before the next enumeration. A
    // sub-key that cannot be deleted ends the walk instead of repeating it.
    QString child;
    bool ok = true;
    while (ok && RegEnumKeyEx(h, 0, &child) == ERROR_SUCCESS)
        ok = deleteTreeAt(full, child);
    RegCloseKey(h);
    if (!ok)
        return false;
    HKEY parent = 0;
    if (RegOpenKeyEx(HKEY(root), parentPath, 0, kCreateAccess, &parent) != ERROR_SUCCESS)
        return false;
    const qint32 rc = RegDeleteKey(parent, keyName);
    RegCloseKey(parent);
    return rc == ERROR_SUCCESS;
}

void RegistryKeyAccess::exportKey(const QString &fileName)
{
    const QString source = QStringLiteral("CRegistry.ExportKey");
    RegistryOperation operation(*this);
    if (!openForOperation(kCreateAccess))
        throw BasicError(RegErrorOpenFail, source, QStringLiteral("Unable to open Key \"%1\"").arg(path));
    const qint32 rc = RegSaveKey(m_handle, fileName);
    if (rc != ERROR_SUCCESS)
        throw BasicError(RegAutomationErrorBase + rc, source,
                         QStringLiteral("Couldn't save the key to file \"%1\": %2").arg(fileName, lastErrorText()));
}

void RegistryKeyAccess::importKey(const QString &fileName)
{
    const QString source = QStringLiteral("CRegistry.ImportKey");
    {
        RegistryOperation operation(*this);
        if (!openForOperation(kCreateAccess))
            throw BasicError(RegErrorOpenFail, source, QStringLiteral("Unable to open Key \"%1\"").arg(path));
        const qint32 rc = RegRestoreKey(m_handle, fileName, 0);
        if (rc != ERROR_SUCCESS)
            throw BasicError(RegAutomationErrorBase + rc, source,
                             QStringLiteral("Couldn't restore the key from file \"%1\": %2").arg(fileName, lastErrorText()));
    }
    m_refresh();
}

void RegistryKeyAccess::refuseValueCount()
{
    throw BasicError(RegErrorNoLetProperty, QStringLiteral("CRegistry.Let ValueCount"),
                     QStringLiteral("The Let Property is not available"));
}

qint16 RegistryKeyAccess::count16(qsizetype n)
{
    return qint16(qMin<qsizetype>(n, std::numeric_limits<qint16>::max()));
}

}  // namespace pembry
