// Fuzzes the snapshot loader; whatever it accepts must survive a round trip
// through its own JSON form unchanged.
#include "wizard/engine/SchemaJson.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    schema::readerErrorFromJson(json);
    schema::workgroupFromJson(json);
    QString problem;
    const auto model = schema::fromJson(json, &problem);
    if (!model) {
        if (problem.isEmpty())
            std::abort();
        return 0;
    }
    const QByteArray once = schema::toJson(*model);
    const auto again = schema::fromJson(once);
    if (!again || schema::toJson(*again) != once)
        std::abort();
    return 0;
}
