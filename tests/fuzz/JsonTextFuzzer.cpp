// Fuzzes the reader's JSON string writer: its output is always a valid JSON
// string, and valid UTF-8 input comes back exactly.
#include "wizard/engine/reader/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <QStringDecoder>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::string out = "[";
    reader::appendJsonString(out, text);
    out += "]";
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray() || !doc.array().at(0).isString())
        std::abort();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError() && doc.array().at(0).toString() != decoded)
        std::abort();
    return 0;
}
