#pragma once
// One key of the registry with values of every type: set Root and key (that
// reads the key), then read, write and delete its values. Values are listed
// by 1-based position; the key's default value is named "<DEFAULT>".

#include "utility/RegistryTypes.h"
#include "utility/Variant.h"
#include "utility/colRegistry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace pembry {

class RegistryKeyAccess;

class CRegistryAdvanced {
public:
    CRegistryAdvanced();
    ~CRegistryAdvanced();
    Q_DISABLE_COPY(CRegistryAdvanced)

    // Deletes the named value and re-reads the key; false on any failure.
    bool DeleteValue(const QString &sValue);
    // The value name at a 1-based position; error 1200 "Invalid Index" outside.
    QString GetName(qint16 iRequest) const;
    // A whole number selects by 1-based position, anything else by name (""
    // is the default value). Strings come back as they are, a REG_DWORD as
    // the decimal text of its Long; a missing value gives "". Binary data
    // raises RegErrorBinaryData: read it through Values().
    QString GetValue(const Variant &vRequest) const;
    // Deletes key\KeyName with its whole sub-tree; false on any failure.
    bool DeleteKey(const QString &KeyName);
    // As CRegistryBasic::Create; the value is written with SetValue(RegNone).
    qint16 Create(const QString &KeyName, const std::optional<Variant> &sKeyName = std::nullopt,
                  const std::optional<QString> &sValue = std::nullopt);
    // Writes a value and re-reads the key. With RegNone the type follows the
    // data: a whole number REG_DWORD, a text with a NUL REG_MULTI_SZ, a text
    // with "%" REG_EXPAND_SZ, other text REG_SZ. A whole number as sKeyName
    // names the value at that 1-based position.
    bool SetValue(const Variant &sKeyName, const Variant &sValue, fisEnumRegTypes regType = RegNone);
    // Writes bytes as REG_BINARY (or another non-string type).
    bool SetValue(const Variant &sKeyName, const QByteArray &sValue, fisEnumRegTypes regType = RegBinary);
    // Reads the key's values again.
    void Refresh();
    // As CRegistryBasic.
    void ExportKey(const QString &strFilename);
    void ImportKey(const QString &strFilename);

    // The values read, with their types and typed data.
    const colRegistry &Values() const { return m_values; }

    QString Default() const;                    // always ""
    void setDefault(const QString &value);      // no effect
    qint16 ValueCount() const;
    void setValueCount(qint16 value);           // always raises RegErrorNoLetProperty
    bool AutoCreate() const;
    void setAutoCreate(bool value);
    QString key() const;
    void setKey(const QString &value);          // trims, drops one leading "\", reads the key
    fisEnumRootValues Root() const;
    void setRoot(fisEnumRootValues value);
    qint32 Access() const;
    void setAccess(qint32 value);

private:
    QString valueName(const Variant &sKeyName) const;
    bool write(const QString &name, quint32 type, const QByteArray &data);

    std::unique_ptr<RegistryKeyAccess> m_key;   // internal: the public header needs only its name
    colRegistry m_values;
    QStringList m_subKeys;
    qint16 m_valueCount = 0;
    qint32 m_access = 0x2001F;
};

}  // namespace pembry
