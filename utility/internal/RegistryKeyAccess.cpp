#include "utility/internal/RegistryKeyAccess.h"

#include "utility/BasicError.h"

namespace pembry {

using namespace registry;

namespace {

constexpr REGSAM kCreateAccess = 63;
const QString kKeyInfoSource = QStringLiteral("GetKeyInfo");

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

bool RegistryKeyAccess::deleteTree(const QString &keyName)
{
    if (path.isEmpty() || root == 0 || keyName.isEmpty())
        return false;
    close();
    return deleteTreeAt(path, keyName);
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

void RegistryKeyAccess::save(const QString &fileName, const QString &source)
{
    RegistryOperation operation(*this);
    if (!openForOperation(kCreateAccess))
        throw BasicError(RegErrorOpenFail, source, QStringLiteral("Unable to open Key \"%1\"").arg(path));
    const qint32 rc = RegSaveKey(m_handle, fileName);
    if (rc != ERROR_SUCCESS)
        throw BasicError(RegAutomationErrorBase + rc, source,
                         QStringLiteral("Couldn't save the key to file \"%1\": %2").arg(fileName, lastErrorText()));
}

void RegistryKeyAccess::restore(const QString &fileName, const QString &source)
{
    RegistryOperation operation(*this);
    if (!openForOperation(kCreateAccess))
        throw BasicError(RegErrorOpenFail, source, QStringLiteral("Unable to open Key \"%1\"").arg(path));
    const qint32 rc = RegRestoreKey(m_handle, fileName, 0);
    if (rc != ERROR_SUCCESS)
        throw BasicError(RegAutomationErrorBase + rc, source,
                         QStringLiteral("Couldn't restore the key from file \"%1\": %2").arg(fileName, lastErrorText()));
}

}  // namespace pembry
