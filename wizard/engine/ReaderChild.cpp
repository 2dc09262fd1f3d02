#include "wizard/engine/ReaderChild.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace dao {

namespace {

// What the child needs between clone and exec. It shares this process's
// memory until it execs, so it writes its failure into `error`.
struct ChildSetup {
    const char *const *argv;
    int input, output, errors;
    rlim_t memory;
    const sigset_t *mask;
    pid_t parent;
    ReaderEntry entry;          // run in a forked copy instead of exec
    volatile int error;
};

ReaderEntry builtInReader = nullptr;

// Runs in the child: a clone on its own stack while the parent waits
// (system calls only), or a forked copy that goes on to the reader's entry.
int childMain(void *argument)
{
    auto *setup = static_cast<ChildSetup *>(argument);
    // None of the parent's signal handlers may run here before exec.
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction action {};
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_DFL
            && action.sa_handler != SIG_IGN) {
            action.sa_handler = SIG_DFL;
            action.sa_flags = 0;
            sigaction(signal, &action, nullptr);
        }
    }
    // The reader dies with the thread that started it, so that a killed
    // program leaves no reader behind. Had the parent died before this
    // call, the child has been handed to another process already: stop.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) {
        setup->error = errno;
        _exit(127);
    }
    if (getppid() != setup->parent) {
        setup->error = ESRCH;
        _exit(127);
    }
    const rlimit addressSpace{setup->memory, setup->memory};
    const rlimit noCore{0, 0};
    if (setrlimit(RLIMIT_AS, &addressSpace) == 0 && setrlimit(RLIMIT_CORE, &noCore) == 0
        && dup2(setup->input, STDIN_FILENO) >= 0 && dup2(setup->output, STDOUT_FILENO) >= 0
        && dup2(setup->errors, STDERR_FILENO) >= 0) {
        sigprocmask(SIG_SETMASK, setup->mask, nullptr);
        if (setup->entry) {
            // The copy holds every descriptor the program had open; a pipe
            // end kept open here would hold back another reader's end.
            close_range(STDERR_FILENO + 1, ~0U, 0);
            int argc = 0;
            while (setup->argv[argc])
                ++argc;
            _exit(setup->entry(argc, const_cast<char **>(setup->argv)));
        }
        execve(setup->argv[0], const_cast<char *const *>(setup->argv), environ);
    }
    setup->error = errno;
    _exit(127);
}

// `fd` moved above the standard streams, so that the child's dup2 onto
// 0, 1 and 2 cannot overwrite it; close-on-exec.
int aboveStandardStreams(int fd)
{
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    return moved;
}

void closeAll(const int *fds, int count)
{
    for (int i = 0; i < count; ++i) {
        if (fds[i] >= 0)
            close(fds[i]);
    }
}

constexpr size_t ChildStackBytes = 64 * 1024;

// The address space this process has mapped, in bytes; 0 if unknown.
rlim_t mappedBytes()
{
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * rlim_t(sysconf(_SC_PAGESIZE));
}

// The number of threads this process has; 0 if unknown.
int threadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0)
            return std::atoi(line.c_str() + 8);
    }
    return 0;
}

// The child's standard input: the null device, or a pipe already holding
// `bytes` and closed for writing. Close-on-exec; -1 with errno on failure.
int childInput(const char *bytes, size_t count)
{
    if (!bytes)
        return aboveStandardStreams(open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (count > kReaderInputMaxBytes) {
        errno = E2BIG;
        return -1;
    }
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0)
        return -1;
    // A fresh pipe's buffer holds at least a page: this write completes at once.
    ssize_t written = 0;
    do
        written = count ? write(ends[1], bytes, count) : 0;
    while (written < 0 && errno == EINTR);
    const int writeError = errno;
    close(ends[1]);
    if (written != ssize_t(count)) {
        close(ends[0]);
        errno = written < 0 ? writeError : EIO;
        return -1;
    }
    return aboveStandardStreams(ends[0]);
}

}  // namespace

void setBuiltInReader(ReaderEntry entry)
{
    builtInReader = entry;
}

ReaderEntry forkableReader()
{
    return builtInReader && threadCount() == 1 ? builtInReader : nullptr;
}

ReaderChild startReaderChild(const char *const argv[], std::int64_t memoryLimitBytes, int *error,
                             const char *input, std::size_t inputBytes, ReaderEntry entry)
{
    ReaderChild child;
    int pipeEnds[2] = {-1, -1};
    int fds[4] = {-1, -1, -1, -1};   // pipe read end, pipe write end, input, null out
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        *error = errno;
        return child;
    }
    fds[0] = aboveStandardStreams(pipeEnds[0]);
    fds[1] = aboveStandardStreams(pipeEnds[1]);
    fds[2] = childInput(input, inputBytes);
    fds[3] = aboveStandardStreams(open("/dev/null", O_WRONLY | O_CLOEXEC));
    // A forked copy runs on its own copy of this thread's stack.
    void *stack = entry ? nullptr
                        : mmap(nullptr, ChildStackBytes, PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (fds[0] < 0 || fds[1] < 0 || fds[2] < 0 || fds[3] < 0 || stack == MAP_FAILED) {
        *error = errno;
        if (stack && stack != MAP_FAILED)
            munmap(stack, ChildStackBytes);
        closeAll(fds, 4);
        return child;
    }

    sigset_t all, previous;
    sigfillset(&all);
    sigprocmask(SIG_SETMASK, &all, &previous);
    const rlim_t memory = rlim_t(memoryLimitBytes) + (entry ? mappedBytes() : 0);
    ChildSetup setup{argv, fds[2], fds[1], fds[3], memory, &previous, getpid(), entry, 0};
    pid_t pid = -1;
    if (entry) {
        // Output still buffered here would be written again by the copy.
        std::fflush(nullptr);
        pid = fork();
        if (pid == 0)
            childMain(&setup);
        // The reader's answer is what the program waits for: the copy runs
        // first, rather than when this thread next sleeps or the system
        // moves one of the two to another processor.
        if (pid > 0)
            sched_yield();
    } else {
        // CLONE_VFORK: this thread goes on once the child has exec'd or exited.
        pid = clone(childMain, static_cast<char *>(stack) + ChildStackBytes, CLONE_VM | CLONE_VFORK | SIGCHLD,
                    &setup);
    }
    const int cloneError = errno;
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (stack)
        munmap(stack, ChildStackBytes);
    closeAll(fds + 1, 3);

    if (pid < 0 || setup.error != 0) {
        *error = pid < 0 ? cloneError : setup.error;
        if (pid > 0)
            waitpid(pid, nullptr, 0);
        close(fds[0]);
        return child;
    }
    child.pid = pid;
    child.output = fds[0];
    return child;
}

void stopReaderChild(ReaderChild &child)
{
    if (child.started()) {
        kill(child.pid, SIGKILL);
        while (waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (child.output >= 0)
        close(child.output);
    child = ReaderChild{};
}

}  // namespace dao
