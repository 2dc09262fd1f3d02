// Fuzzes the reading of a Jet file's first page (format, code page, password).
#include "reader/jetfile/JetHeader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string problem;
    const auto header = jetfile::parseHeader(std::span(data, size), &problem);
    if (header) {
        // Jet 3 passwords hold at most 20 characters, Jet 4 ones 20 UTF-16 units.
        if (header->password.size() > 20)
            std::abort();
    } else if (problem.empty()) {
        std::abort();
    }
    return 0;
}
