#pragma once
// A named pipe (FIFO) for tests of code that must never block opening one.
// If anything is still blocked opening the pipe for reading after a grace
// period, the watch opens its writing end, which lets the blocked open go on,
// and counts that, so that a faulty program fails its test instead of
// hanging it.

#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class FifoWatch {
public:
    explicit FifoWatch(const QString &path, std::chrono::milliseconds grace = std::chrono::milliseconds(3000))
        : m_path(path.toStdString())
    {
        m_made = ::mkfifo(m_path.c_str(), 0600) == 0;
        m_thread = std::thread([this, grace] {
            const auto start = std::chrono::steady_clock::now();
            while (!m_stop) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (std::chrono::steady_clock::now() - start < grace)
                    continue;
                // Succeeds only while a reader has the pipe open (or is opening it).
                const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    ++m_unblocked;
                    ::close(fd);
                }
            }
        });
    }
    ~FifoWatch()
    {
        m_stop = true;
        m_thread.join();
    }
    FifoWatch(const FifoWatch &) = delete;
    FifoWatch &operator=(const FifoWatch &) = delete;

    // Whether the pipe could be made.
    bool made() const { return m_made; }
    // How often a reader was found blocked after the grace period.
    int unblocked() const { return m_unblocked; }
    // Whether the path is still the pipe, untouched.
    bool stillAFifo() const
    {
        struct stat status {};
        return ::lstat(m_path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
    }

private:
    std::string m_path;
    bool m_made = false;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_unblocked{0};
    std::thread m_thread;
};
