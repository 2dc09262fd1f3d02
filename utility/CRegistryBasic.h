#pragma once
// One key of the registry, string values only: set Root and key (that reads
// the key), then read, write and delete its string values and sub-keys.
// Values and sub-keys are listed by 0-based position.

#include "utility/RegistryTypes.h"
#include "utility/Variant.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace pembry {

class RegistryKeyAccess;

class CRegistryBasic {
public:
    CRegistryBasic();
    ~CRegistryBasic();
    Q_DISABLE_COPY(CRegistryBasic)

    // Deletes the named value and re-reads the key; false on any failure.
    bool DeleteValue(const QString &sValue);
    // The value name at a 0-based position, "" outside the list.
    QString GetName(qint16 iRequest) const;
    // The sub-key name at a 0-based position, "" outside 0..SubKeyCount-1.
    QString GetSubKey(qint16 iIndex) const;
    // A whole number selects by 0-based position (error 9 outside the list);
    // anything else is a value name, compared without letter case ("" when
    // no value has that name).
    QString GetValue(const Variant &vRequest) const;
    // Deletes key\KeyName with its whole sub-tree; false on any failure.
    bool DeleteKey(const QString &KeyName);
    // Moves to key\KeyName (unless KeyName is the current key) and creates it;
    // with both optional arguments also writes that value. -1 on success, 0
    // when the key could not be created, 1 or 2 (the disposition) when the key
    // was there but the value could not be written.
    qint16 Create(const QString &KeyName, const std::optional<Variant> &sKeyName = std::nullopt,
                  const std::optional<QString> &sValue = std::nullopt);
    // Reads the key's string values and sub-keys again.
    void Refresh();
    // Saves the key with its sub-tree to a new "REGEDIT4" file / replaces the
    // key's contents by such a file. Failures raise an error naming the file.
    void ExportKey(const QString &strFilename);
    void ImportKey(const QString &strFilename);
    // Writes a string value (REG_SZ). A whole number as sKeyName names the
    // listed value at that 0-based position. The lists are not re-read.
    bool SetValue(const Variant &sKeyName, const QString &sValue);

    QString Default() const;                    // always ""
    void setDefault(const QString &value);      // no effect
    qint16 ValueCount() const;
    void setValueCount(qint16 value);           // always raises RegErrorNoLetProperty
    bool AutoCreate() const;
    void setAutoCreate(bool value);
    QString key() const;
    void setKey(const QString &value);          // reads the key
    fisEnumRootValues Root() const;
    void setRoot(fisEnumRootValues value);
    qint16 SubKeyCount() const;
    void setSubKeyCount(qint16 value);

private:
    std::unique_ptr<RegistryKeyAccess> m_key;   // internal: the public header needs only its name
    QList<QPair<QString, QString>> m_values;
    QStringList m_subKeys;
    qint16 m_valueCount = 0;
    qint16 m_subKeyCount = 0;
};

}  // namespace pembry
