#pragma once
// A child process that reads a file for the engine: started with its
// standard output on a pipe to this process, its input on the null device
// or on a pipe holding a few given bytes (a password: never in argv), its
// errors on the null device, its address space limited and no core file.
// It is killed when the thread that started it ends (a killed program
// leaves no reader behind), so start it from a thread that outlives the read.

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

// Starts the program `argv[0]` (a path, not searched on PATH) with the
// null-terminated `argv` and this process's environment. With `input`, its
// standard input is a pipe holding the `inputBytes` bytes there (at most
// kReaderInputMaxBytes) and then its end. On failure the answer is not
// started() and `*error` holds the errno value.
ReaderChild startReaderChild(const char *const argv[], std::int64_t memoryLimitBytes, int *error,
                             const char *input = nullptr, std::size_t inputBytes = 0);

// Kills the child, waits for it and closes the pipe; nothing when not started.
void stopReaderChild(ReaderChild &child);

}  // namespace dao
