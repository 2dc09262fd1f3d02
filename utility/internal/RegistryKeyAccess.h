#pragma once
// The part CRegistryBasic and CRegistryAdvanced share: one registry key
// (root, path, AutoCreate), opened for the length of one operation, read into
// raw values and sub-key names, deleted as a tree, saved and restored.
// Errors are raised as the two classes document them; where they differ,
// the ErrorStyle chooses.

#include "utility/internal/RegistryStore.h"
#include "utility/RegistryTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

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

    explicit RegistryKeyAccess(ErrorStyle style) : m_style(style) {}
    ~RegistryKeyAccess() { close(); }
    RegistryKeyAccess(const RegistryKeyAccess &) = delete;
    RegistryKeyAccess &operator=(const RegistryKeyAccess &) = delete;

    quint32 root = HKeyLocalMachine;
    QString path;
    bool autoCreate = true;

    registry::HKEY handle() const { return m_handle; }

    // Opens the key for one operation: with AutoCreate it is created when
    // missing (errors of the creation are raised), else opened with mask.
    // False when key or root is empty, or the key cannot be opened.
    bool openForOperation(registry::REGSAM mask);
    // Creates or opens root\path with access 63; returns the disposition
    // (1 created, 2 opened) or raises the creation error.
    quint32 createOrOpen();
    void close();

    // The key-information read: values (in stored order) and sub-key names.
    Contents readContents(registry::REGSAM access);

    // Deletes path\keyName with its whole sub-tree; false on any failure.
    bool deleteTree(const QString &keyName);

    // Save to / restore from a "REGEDIT4" file; a failure raises
    // (0x80040000 + Windows code) with the given source and a description
    // naming the file and the problem.
    void save(const QString &fileName, const QString &source);
    void restore(const QString &fileName, const QString &source);

    // path\name, or name alone when path is empty.
    QString childPath(const QString &name) const;

private:
    bool deleteTreeAt(const QString &parentPath, const QString &keyName);

    ErrorStyle m_style;
    registry::HKEY m_handle = 0;
};

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

}  // namespace pembry
