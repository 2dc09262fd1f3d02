#include "reader/ReaderMain.h"

#include "reader/EncryptedAce.h"
#include "reader/JetSchemaReader.h"
#include "wizard/engine/SchemaCompact.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

int usage()
{
    std::fputs("usage: tabulo-schema-reader [--workgroup | [--compact] [--no-queries] [--no-design-properties [--descriptions]] [--password-stdin]] [--] FILE\n",
               stderr);
    return 64;
}

// Prints the answer and ends the process with `status`, without freeing
// the model (that would cost more than building it) and without running
// exit handlers, which belong to the program when the reader runs in a
// forked copy of it.
[[noreturn]] void print(const QByteArray &text, int status)
{
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    const bool written = std::fflush(stdout) == 0;
    // The answer ends here, so that the program takes it while this
    // process ends.
    close(STDOUT_FILENO);
    std::_Exit(written ? status : 1);
}

// The design of a large file fills tens of megabytes with small blocks,
// which the kernel would hand out one 4 KiB page, and one fault, at a time.
// The heap grows once by 64 MiB instead, on transparent huge pages where
// the system grants them on request, and keeps them; large blocks (the
// answer) come from it too rather than from mappings of their own. Under a
// memory limit without room for that the heap grows as it would.
void growHeapOnHugePages()
{
    constexpr std::size_t Growth = std::size_t(64) << 20, Probe = std::size_t(4) << 20;
    constexpr std::uintptr_t HugePage = std::uintptr_t(2) << 20;
    mallopt(M_MMAP_THRESHOLD, int(8 * Probe));
    mallopt(M_TRIM_THRESHOLD, int(2 * Growth));
    mallopt(M_TOP_PAD, int(Growth));
    // A block larger than the free ones makes the heap grow now.
    void *probe = std::malloc(Probe);
    const auto begin = (reinterpret_cast<std::uintptr_t>(probe) + HugePage - 1) & ~(HugePage - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0)) & ~(HugePage - 1);
    if (probe && begin < end && end - begin <= 2 * Growth)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
    std::free(probe);
    // Later growth asks for no more than it needs.
    mallopt(M_TOP_PAD, 128 << 10);
}

}  // namespace

namespace reader {

int runReader(int argc, char **argv)
{
    bool workgroup = false;
    bool passwordOnInput = false;
    bool compact = false;
    reader::ReadOptions options;
    int at = 1;
    if (at < argc && std::strcmp(argv[at], "--workgroup") == 0) {
        workgroup = true;
        ++at;
    } else {
        // The engine asks for the compact form, which costs less to write
        // and to read than JSON; JSON stays the form for people and files.
        if (at < argc && std::strcmp(argv[at], "--compact") == 0) {
            compact = true;
            ++at;
        }
        if (at < argc && std::strcmp(argv[at], "--no-queries") == 0) {
            options.queries = false;
            ++at;
        }
        if (at < argc && std::strcmp(argv[at], "--no-design-properties") == 0) {
            options.designProperties = false;
            ++at;
            if (at < argc && std::strcmp(argv[at], "--descriptions") == 0) {
                options.descriptions = true;
                ++at;
            }
        }
        if (at < argc && std::strcmp(argv[at], "--password-stdin") == 0) {
            passwordOnInput = true;
            ++at;
        }
    }
    // "--" ends the options: whatever follows is the file, even "--workgroup".
    if (at < argc && std::strcmp(argv[at], "--") == 0)
        ++at;
    if (argc - at != 1)
        return usage();
    const std::string path = argv[at];

    // Wiped when the program ends normally; print() exits without it, so
    // the password is wiped before the answer is written.
    std::optional<acecrypt::SecureBytes> password;
    if (passwordOnInput) {
        password = reader::readPasswordInput();
        if (!password)
            return usage();
        options.password = std::string_view(reinterpret_cast<const char *>(password->data()), password->size());
    }

    growHeapOnHugePages();
    schema::ReaderError error;
    if (workgroup) {
        if (const auto users = reader::readWorkgroupUsers(path, error))
            print(schema::workgroupToJson(*users), 0);
    } else {
        const auto database = reader::readDatabase(path, options, error);
        password.reset();
        if (database)
            print(compact ? schema::toCompact(*database) : schema::toJson(*database), 0);
    }
    print(schema::toJson(error), 2);
}

}  // namespace reader
