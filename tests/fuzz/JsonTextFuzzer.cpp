// Fuzzes the reader's texts through the schema JSON writer: whatever bytes
// libmdb hands over make a valid JSON string, and valid UTF-8 comes back
// exactly.
#include "wizard/engine/SchemaJson.h"
#include "reader/ReaderText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringDecoder>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const QString name = reader::readerText(text);
    const QByteArray out = schema::workgroupToJson({name});
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
    const QJsonValue user = doc.object().value(QStringLiteral("users")).toArray().at(0);
    if (error.error != QJsonParseError::NoError || !user.isString())
        std::abort();
    if (schema::workgroupFromJson(out) != QStringList{name})
        std::abort();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError() && (user.toString() != decoded || name != decoded))
        std::abort();
    return 0;
}
