#pragma once
// The part CRegistryBasic and CRegistryAdvanced share: one registry key
// (root, path, AutoCreate), opened for the length of one operation, read into
// raw values and sub-key names, written and deleted value by value, deleted
// as a tree, created, exported and imported. Errors are raised as the two
// classes document them; where they differ, the ErrorStyle chooses. The
// owning class re-reads its lists through the refresh it gives.

#include "utility/internal/RegistryStore.h"
#include "utility/RegistryTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace pembry {

class RegistryKeyAccess {
public:
    enum class ErrorStyle { Basic, Advanced };

    struct RawValue {
        QString name;
        quint32 type = 0;
        QByteArray data;
    };
    struct Contents {
        QList<RawValue> values;
        QStringList subKeys;
    };

    RegistryKeyAccess(ErrorStyle style, std::function<void()> refresh)
        : m_style(style), m_refresh(std::move(refresh))
    {
    }
    ~RegistryKeyAccess() { close(); }
    RegistryKeyAccess(const RegistryKeyAccess &) = delete;
    RegistryKeyAccess &operator=(const RegistryKeyAccess &) = delete;

    quint32 root = HKeyLocalMachine;
    QString path;
    bool autoCreate = true;

    // Closes the key's handle, if it is open.
    void close();

    // The key-information read: values (in stored order) and sub-key names.
    Contents readContents(registry::REGSAM access);

    // Points the key at root and opens it with mask once, ignoring failures.
    void selectRoot(quint32 value, registry::REGSAM mask);

    // Deletes the named value, then refreshes; false on any failure.
    bool deleteValue(const QString &name, registry::REGSAM mask);
    // Writes one value with the key opened with mask (not refreshed); false
    // when the key cannot be opened, a failed write raises.
    bool writeValue(const QString &name, quint32 type, const QByteArray &data, registry::REGSAM mask);

    // Deletes path\keyName with its whole sub-tree; false on any failure.
    bool deleteTree(const QString &keyName);

    // The classes' Create: moves to path\keyName (unless keyName is the
    // current key), creates it, then runs writeValue (false raises). -1 on
    // success, 0 when the key could not be created, the disposition when
    // writeValue failed.
    qint16 create(const QString &keyName, const std::function<bool()> &writeValue);

    // Save to / restore from a "REGEDIT4" file (the import then refreshes);
    // a failure raises (0x80040000 + Windows code) with the source
    // "CRegistry.ExportKey" or "CRegistry.ImportKey" and a description naming
    // the file and the problem.
    void exportKey(const QString &fileName);
    void importKey(const QString &fileName);

    // ValueCount cannot be assigned: raises RegErrorNoLetProperty.
    [[noreturn]] static void refuseValueCount();
    // A list's size as the classes' 16-bit counts give it.
    static qint16 count16(qsizetype n);

private:
    // Opens the key for one operation: with AutoCreate it is created when
    // missing (errors of the creation are raised), else opened with mask.
    // False when key or root is empty, or the key cannot be opened.
    bool openForOperation(registry::REGSAM mask);
    // Creates or opens root\path with access 63; returns the disposition
    // (1 created, 2 opened) or raises the creation error.
    quint32 createOrOpen();
    // path\name, or name alone when path is empty.
    QString childPath(const QString &name) const;
    bool deleteTreeAt(const QString &parentPath, const QString &keyName);

    ErrorStyle m_style;
    std::function<void()> m_refresh;
    registry::HKEY m_handle = 0;
};

}  // namespace pembry
