#pragma once
// One value of a registry key as CRegistryAdvanced reads it: its name, its
// registry type and its data, with typed readers.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pembry {

class clsRegKeyData {
public:
    clsRegKeyData() = default;
    clsRegKeyData(QString name, quint32 dataType, QByteArray data);

    const QString &Name() const { return m_name; }
    quint32 DataType() const { return m_dataType; }

    // The data as the Long of a REG_DWORD (0 unless 4 bytes).
    qint32 LongData() const;
    // The stored bytes, whatever the type.
    const QByteArray &ByteData() const { return m_data; }
    // The data as text: a REG_MULTI_SZ whole, separators and final NULs
    // included; any other type without its terminating NUL.
    QString StringData() const;
    // The strings of a REG_MULTI_SZ, and how many there are.
    QStringList MultiStringData() const;
    qint32 MultiStringCount() const { return qint32(MultiStringData().size()); }

private:
    QString m_name;
    quint32 m_dataType = 0;
    QByteArray m_data;
};

}  // namespace pembry
