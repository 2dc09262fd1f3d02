// tabulo-cli's launcher. Reading the source's design is the longest part of
// a run after loading Qt, so the launcher, which links only the C library,
// starts the reader on the source file first and loads the program (a
// module beside the libraries) while the reader works.

#include "cli/start/LaunchedReader.h"
#include "cli/start/SourceArgument.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

using tabulo::cli::LaunchedReader;
using tabulo::cli::sourceArgument;

namespace {

constexpr char kReaderPath[] = "/tabulo-schema-reader";
constexpr char kModulePath[] = "/" TABULO_BIN_TO_LIB "/tabulo-cli/tabulo-cli-core.so";

// `folder` + `tail` into `out`; false when it does not fit.
bool joined(char (&out)[PATH_MAX], const char *folder, const char *tail)
{
    const int written = std::snprintf(out, sizeof out, "%s%s", folder, tail);
    return written > 0 && size_t(written) < sizeof out;
}

bool isRegularFile(const char *path)
{
    struct stat info {};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// The reader the engine would run: $TABULO_SCHEMA_READER, else the one
// beside this program. Null when neither is there.
const char *readerProgram(const char *folder, char (&buffer)[PATH_MAX])
{
    const char *fromEnvironment = std::getenv("TABULO_SCHEMA_READER");
    if (fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    if (joined(buffer, folder, kReaderPath) && isRegularFile(buffer) && access(buffer, X_OK) == 0)
        return buffer;
    return nullptr;
}

// Jet files are read by the reader; snapshots (.json) by the program itself.
bool isJetFileName(const char *path)
{
    const size_t length = std::strlen(path);
    return !(length >= 5 && strcasecmp(path + length - 5, ".json") == 0);
}

}  // namespace

int main(int argc, char **argv)
{
    char folder[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", folder, sizeof folder - 1);
    if (length <= 0) {
        std::fprintf(stderr, "tabulo-cli: cannot find where the program is installed\n");
        return 1;
    }
    folder[length] = '\0';
    if (char *slash = std::strrchr(folder, '/'))
        *slash = '\0';

    // The reader reads what the program will ask of it: the further design
    // properties only for --design-properties.
    LaunchedReader launched;
    char programPath[PATH_MAX];
    bool designProperties = false;
    const char *source = sourceArgument(argc, argv, &designProperties);
    const char *program = source && isJetFileName(source) && isRegularFile(source)
                              ? readerProgram(folder, programPath)
                              : nullptr;
    const char *withProperties[] = {program, "--", source, nullptr};
    const char *withoutProperties[] = {program, "--no-design-properties", "--", source, nullptr};
    if (program) {
        launched.argv = designProperties ? withProperties : withoutProperties;
        int error = 0;
        launched.child = dao::startReaderChild(launched.argv, dao::kReaderMemoryLimitBytes, &error);
    }

    char module[PATH_MAX] = "";
    void *handle = joined(module, folder, kModulePath) ? dlopen(module, RTLD_LAZY | RTLD_LOCAL) : nullptr;
    auto cliMain = handle ? reinterpret_cast<tabulo::cli::CliMain>(dlsym(handle, tabulo::cli::kCliMainSymbol))
                          : nullptr;
    if (!cliMain) {
        std::fprintf(stderr, "tabulo-cli: cannot load the program %s: %s\n", module,
                     handle ? "it has no entry point" : dlerror());
        dao::stopReaderChild(launched.child);
        return 1;
    }
    return cliMain(argc, argv, launched.child.started() ? &launched : nullptr);
}
