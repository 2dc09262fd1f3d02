#pragma once
// How the Jet file engine runs tabulo-schema-reader: which program, its
// limits, and whether it reads the further design properties, and where the
// program is found. JetFileReader holds the settings and each ReaderProcess
// starts one run with them.

#include "wizard/engine/ReaderChild.h"

#include <QString>

namespace dao {

struct JetFileReaderSettings {
    // The reader program; empty: found by findSchemaReader().
    QString program;
    // The reader is stopped after this long.
    int timeLimitMs = kReaderTimeLimitMs;
    // Address space the reader may use.
    qint64 memoryLimitBytes = kReaderMemoryLimitBytes;
    // Whether the reader reads the design properties beyond the model's
    // members (descriptions, captions, formats, lookups).
    bool designProperties = true;
    // Without them, whether it still reads the Descriptions.
    bool descriptions = false;
    // Whether the reader reads the saved queries.
    bool queries = true;
};

// Where tabulo-schema-reader is: $TABULO_SCHEMA_READER, beside the running
// program, beside or above the library holding this code (and the bin
// folders there), then the installed bin folder. Empty when not found.
QString findSchemaReader();

}  // namespace dao
