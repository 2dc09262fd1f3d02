#pragma once
// A child process that reads a file for the engine: started with its
// standard output on a pipe to this process, its input and errors on the
// null device, its address space limited and no core file. It is killed
// when the thread that started it ends (a killed program leaves no reader
// behind), so start it from a thread that outlives the read.

#include <cstdint>
#include <sys/types.h>

namespace dao {

// The limits a reader runs under unless the engine's settings say otherwise.
inline constexpr int kReaderTimeLimitMs = 30000;
inline constexpr std::int64_t kReaderMemoryLimitBytes = std::int64_t(1) << 30;

struct ReaderChild {
    pid_t pid = -1;
    int output = -1;                // read end of the pipe, close-on-exec

    bool started() const { return pid > 0; }
};

// Starts the program `argv[0]` (a path, not searched on PATH) with the
// null-terminated `argv` and this process's environment. On failure the
// answer is not started() and `*error` holds the errno value.
ReaderChild startReaderChild(const char *const argv[], std::int64_t memoryLimitBytes, int *error);

// Kills the child, waits for it and closes the pipe; nothing when not started.
void stopReaderChild(ReaderChild &child);

}  // namespace dao
