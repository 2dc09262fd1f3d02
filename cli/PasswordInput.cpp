#include "cli/PasswordInput.h"

#include "utility/OS32Helper.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tabulo::cli {

namespace {

// A password line longer than this is no password.
constexpr qint64 kMaxLineBytes = 64 * 1024;

QByteArray withoutLineEnd(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// Switches the terminal's echo off while it lives.
class EchoOff {
public:
    explicit EchoOff(int fd) : m_fd(fd)
    {
        if (::tcgetattr(fd, &m_saved) != 0)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        m_active = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (m_active)
            ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

// The next line of standard input; none at its end without any text.
std::optional<QByteArray> standardInputLine()
{
    char *buffer = nullptr;
    size_t capacity = 0;
    const ssize_t got = ::getline(&buffer, &capacity, stdin);
    std::optional<QByteArray> line;
    if (got >= 0)
        line = QByteArray(buffer, qsizetype(got));
    std::free(buffer);
    return line;
}

}  // namespace

std::optional<QString> readPassword(const QString &file, const QString &prompt, QString &problem)
{
    if (file == QLatin1String("-")) {
        std::optional<QByteArray> line;
        if (::isatty(STDIN_FILENO) == 1) {
            {
                // Echo goes off before the prompt shows: nothing typed after it is seen.
                const EchoOff quiet(STDIN_FILENO);
                std::fputs(prompt.toLocal8Bit().constData(), stderr);
                std::fflush(stderr);
                line = standardInputLine();
            }
            std::fputc('\n', stderr);   // the Enter the terminal did not echo
        } else {
            line = standardInputLine();
        }
        if (!line && std::ferror(stdin)) {
            problem = QStringLiteral("cannot read standard input: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return std::nullopt;
        }
        return QString::fromLocal8Bit(withoutLineEnd(line.value_or(QByteArray())));
    }
    // Any readable file serves, also a pipe such as <(pass show db). It is
    // opened by the bytes its name was given as (pembry::decodeFileName).
    const int descriptor = ::open(pembry::encodeFileName(file).constData(), O_RDONLY | O_CLOEXEC);
    QFile source;
    if (descriptor < 0 || !source.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        problem = QStringLiteral("cannot read \"%1\": %2")
                      .arg(file, descriptor < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : source.errorString());
        if (descriptor >= 0)
            ::close(descriptor);
        return std::nullopt;
    }
    return QString::fromLocal8Bit(withoutLineEnd(source.readLine(kMaxLineBytes)));
}

}  // namespace tabulo::cli
