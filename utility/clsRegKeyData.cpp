#include "utility/clsRegKeyData.h"

#include "utility/internal/RegistryStore.h"

namespace pembry {

clsRegKeyData::clsRegKeyData(QString name, quint32 dataType, QByteArray data)
    : m_name(std::move(name)), m_dataType(dataType), m_data(std::move(data))
{
}

qint32 clsRegKeyData::LongData() const
{
    return qint32(registry::dwordFromData(m_data));
}

QString clsRegKeyData::StringData() const
{
    if (m_dataType == registry::REG_MULTI_SZ)
        return QString::fromUtf8(m_data);
    return registry::stringFromData(m_data);
}

QStringList clsRegKeyData::MultiStringData() const
{
    return registry::multiStringFromData(m_data);
}

}  // namespace pembry
