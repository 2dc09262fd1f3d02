#pragma once
// The rows of MSysQueries, which hold the design of every saved query,
// read in one pass and grouped by the query (its MSysObjects Id) they
// belong to, each query's rows in stored order.

#include "reader/MdbAccess.h"
#include "reader/QueryText.h"

#include <unordered_map>

namespace reader {

struct QueryRows {
    std::unordered_map<long, std::vector<QueryRow>> byObject;
    // Why the table could not be read; empty when it could.
    std::string damage;
};

// Reads the table MSysQueries, `table` (null when the file has none).
QueryRows readQueryRows(MdbHandle *mdb, MdbCatalogEntry *table);

}  // namespace reader
