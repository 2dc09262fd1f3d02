#pragma once
// A child process that reads a file for the engine: started with its
// standard output on a pipe to this process, its input on the null device
// or on a pipe holding a few given bytes (a password: never in argv), its
// errors on the null device, its address space limited and no core file.
// It is killed when the thread that started it ends (a killed program
// leaves no reader behind), so start it from a thread that outlives the read.
// A program that links the reader in (tabulo-cli) runs it in a forked copy
// of itself instead, which saves loading a second program and its libraries.

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace dao {

// The limits a reader runs under unless the engine's settings say otherwise.
inline constexpr int kReaderTimeLimitMs = 30000;
inline constexpr std::int64_t kReaderMemoryLimitBytes = std::int64_t(1) << 30;
// The most a child's input may hold: far less than a pipe's buffer, so that
// it is written whole before the child starts, without blocking.
inline constexpr std::size_t kReaderInputMaxBytes = 1024;

struct ReaderChild {
    pid_t pid = -1;
    int output = -1;                // read end of the pipe, close-on-exec

    bool started() const { return pid > 0; }
};

// The reader's command linked into this program: `argv` as main() takes
// it; it ends the process or returns the exit status.
using ReaderEntry = int (*)(int argc, char **argv);

// Lets readers run as `entry` in a forked copy of this process.
void setBuiltInReader(ReaderEntry entry);
// The entry a reader may run as now: the one set, while this process has
// a single thread (a fork copies only the calling thread, and another
// thread may hold a lock the copy would wait on forever); else none.
ReaderEntry forkableReader();

// Starts the program `argv[0]` (a path, not searched on PATH) with the
// null-terminated `argv` and this process's environment; with `entry`, a
// forked copy of this process that runs `entry` on `argv` instead, its
// memory limit counted on top of the space already mapped. With `input`,
// its standard input is a pipe holding the `inputBytes` bytes there (at
// most kReaderInputMaxBytes) and then its end. On failure the answer is not
// started() and `*error` holds the errno value.
ReaderChild startReaderChild(const char *const argv[], std::int64_t memoryLimitBytes, int *error,
                             const char *input = nullptr, std::size_t inputBytes = 0,
                             ReaderEntry entry = nullptr);

// Kills the child, waits for it and closes the pipe; nothing when not started.
void stopReaderChild(ReaderChild &child);

}  // namespace dao
