// peak_runner COMMAND [ARG...]: runs the command (searched on PATH) with its
// output on the null device and prints its exit status and its peak resident
// size in bytes, "STATUS BYTES" ("-1 0" when it could not be started or did
// not exit normally).
//
// The benchmarks measure peaks through this small program rather than
// themselves: the kernel counts the memory of the process that starts a
// program into the program's peak (the child shares or copies its pages
// until the exec), so a benchmark holding a large test design would report
// its own size for every program it runs.
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: peak_runner COMMAND [ARG...]\n");
        return 2;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[1], &actions, nullptr, argv + 1, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (spawned != 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) {
        std::printf("-1 0\n");
        return 1;
    }
    // ru_maxrss is in kilobytes; it is the larger of the program's own peak
    // and those of the children it waited for.
    std::printf("%d %lld\n", WEXITSTATUS(status), static_cast<long long>(usage.ru_maxrss) * 1024);
    return 0;
}
