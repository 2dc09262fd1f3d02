#include "wizard/generator/AttributeNames.h"

#include <QStringList>
#include <initializer_list>

namespace tabulo {
namespace {

struct NamedBit {
    qint32 bit;
    const char *names;
};

QString joinSetBits(qint32 attributes, std::initializer_list<NamedBit> bits)
{
    QStringList names;
    for (const NamedBit &b : bits) {
        if (attributes & b.bit)
            names.append(QString::fromLatin1(b.names));
    }
    return names.isEmpty() ? QStringLiteral("0") : names.join(QLatin1StringView(" Or "));
}

}  // namespace

QString AttributesField(qint32 attributes)
{
    return joinSetBits(attributes, {{dao::dbAutoIncrField, "dbAutoIncrField"},
                                    {dao::dbFixedField, "dbDescending Or dbFixedField"},
                                    {dao::dbHyperlinkField, "dbHyperlinkField"},
                                    {dao::dbSystemField, "dbSystemField"},
                                    {dao::dbUpdatableField, "dbUpdatableField"},
                                    {dao::dbVariableField, "dbVariableField"}});
}

QString AttributesRelation(qint32 attributes)
{
    return joinSetBits(attributes, {{dao::dbRelationUnique, "dbRelationUnique"},
                                    {dao::dbRelationDontEnforce, "dbRelationDontEnforce"},
                                    {dao::dbRelationInherited, "dbRelationInherited"},
                                    {dao::dbRelationUpdateCascade, "dbRelationUpdateCascade"},
                                    {dao::dbRelationDeleteCascade, "dbRelationDeleteCascade"}});
}

}  // namespace tabulo
