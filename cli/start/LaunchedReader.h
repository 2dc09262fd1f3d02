#pragma once
// What tabulo-cli's launcher hands the program it loads: the reader it
// started on the source file before anything else was loaded, if any.
// Plain C++, shared by the launcher (which links no Qt) and the program.

#include "wizard/engine/ReaderChild.h"

namespace tabulo::cli {

struct LaunchedReader {
    const char *const *argv = nullptr;  // the reader program and its arguments
    dao::ReaderChild child;
};

// The program's entry point; `reader` is null when none was started.
using CliMain = int (*)(int argc, char **argv, const LaunchedReader *reader);
inline constexpr const char kCliMainSymbol[] = "tabulo_cli_main";

}  // namespace tabulo::cli
