#include "utility/internal/FreedesktopAssociation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMimeDatabase>
#include <QSet>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace pembry {

namespace {

constexpr int kQueryTimeoutMs = 10000;
// Desktop entries are small; more is not read.
constexpr qint64 kMaxEntryBytes = 1 << 20;

// Runs xdg-mime with `arguments`; its first output line, or "" when it
// cannot be run, fails or takes too long.
QString queryXdgMime(const QStringList &arguments)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (program.isEmpty())
        return {};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(kQueryTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    return output.section(u'\n', 0, 0).trimmed();
}

// The general escapes of desktop entry string values.
QString unescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            switch (next.unicode()) {
            case 's': out += u' '; break;
            case 'n': out += u'\n'; break;
            case 't': out += u'\t'; break;
            case 'r': out += u'\r'; break;
            case '\\': out += u'\\'; break;
            default: out += u'\\'; out += next; break;
            }
        } else {
            out += value[i];
        }
    }
    return out;
}

// Splits an Exec value into words: blanks separate, double quotes group,
// and inside quotes a backslash escapes the next character.
QStringList execWords(const QString &exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size())
                word += exec[++i];
            else if (c == u'"')
                quoted = false;
            else
                word += c;
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

// The absolute path of `program` (a path, or a name looked up on PATH) when
// it is an executable file; "" otherwise.
QString executablePath(const QString &program)
{
    if (program.isEmpty())
        return {};
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

// A desktop entry's text; empty when it cannot be read.
QByteArray readEntry(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(kMaxEntryBytes) : QByteArray();
}

}  // namespace

QString FreedesktopAssociation::programFor(const QString &fileName)
{
    const QString mimeType = mimeTypeOf(fileName);
    if (mimeType.isEmpty())
        return {};
    const std::optional<DesktopApplication> application = defaultApplicationOf(mimeType);
    return application ? application->program : QString();
}

std::optional<DesktopApplication> FreedesktopAssociation::defaultApplicationOf(const QString &mimeType)
{
    const QString entry = desktopEntryPath(defaultApplicationFor(mimeType));
    if (entry.isEmpty())
        return std::nullopt;
    return applicationOf(readEntry(entry));
}

QList<DesktopApplication> FreedesktopAssociation::applicationsOf(const QString &mimeType)
{
    QList<DesktopApplication> applications;
    // An entry id found in an earlier folder hides the same id further on.
    QSet<QString> seen;
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        const QDir root(folder);
        QMap<QString, QString> entries;   // id -> path, in id order
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            entries.insert(root.relativeFilePath(path).replace(u'/', u'-'), path);
        }
        for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
            if (seen.contains(entry.key()))
                continue;
            seen.insert(entry.key());
            const QByteArray text = readEntry(entry.value());
            if (!entryValue(text, QStringLiteral("MimeType")).split(u';').contains(mimeType))
                continue;
            if (const std::optional<DesktopApplication> application = applicationOf(text))
                applications.append(*application);
        }
    }
    return applications;
}

QStringList FreedesktopAssociation::terminalEmulator()
{
    QStringList command = QProcess::splitCommand(qEnvironmentVariable("TERMINAL"));
    if (command.isEmpty())
        command = {QStringLiteral("x-terminal-emulator")};
    const QString program = executablePath(command.first());
    if (program.isEmpty())
        return {};
    command.first() = program;
    return command;
}

QString FreedesktopAssociation::mimeTypeOf(const QString &fileName)
{
    // Absolute: xdg-mime would take a name beginning with "-" for an option.
    const QString path = QFileInfo(fileName).absoluteFilePath();
    const QString answer = queryXdgMime({QStringLiteral("query"), QStringLiteral("filetype"), path});
    // A MIME type is "type/subtype"; anything else is a message, not an answer.
    if (answer.count(u'/') == 1 && !answer.contains(u' '))
        return answer;
    return QMimeDatabase().mimeTypeForFile(path).name();
}

QString FreedesktopAssociation::defaultApplicationFor(const QString &mimeType)
{
    const QString id = queryXdgMime({QStringLiteral("query"), QStringLiteral("default"), mimeType});
    // xdg-mime may list several ids separated by ';': the first is the default.
    return id.section(u';', 0, 0).trimmed();
}

QString FreedesktopAssociation::desktopEntryPath(const QString &desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(u'/') || !desktopId.endsWith(QLatin1String(".desktop")))
        return {};
    // "vendor-app.desktop" may also live as "vendor/app.desktop".
    QString candidate = desktopId;
    while (true) {
        const QString found = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, candidate);
        if (!found.isEmpty())
            return found;
        const qsizetype dash = candidate.indexOf(u'-');
        if (dash < 0)
            return {};
        candidate[dash] = u'/';
    }
}

QString FreedesktopAssociation::execLineOf(const QByteArray &desktopEntry)
{
    return entryValue(desktopEntry, QStringLiteral("Exec"));
}

std::optional<DesktopApplication> FreedesktopAssociation::applicationOf(const QByteArray &desktopEntry)
{
    if (entryValue(desktopEntry, QStringLiteral("Hidden")) == QLatin1String("true"))
        return std::nullopt;
    const QString program = executablePath(programOfExecLine(execLineOf(desktopEntry)));
    if (program.isEmpty())
        return std::nullopt;
    return DesktopApplication{program, entryValue(desktopEntry, QStringLiteral("Terminal")) == QLatin1String("true")};
}

QString FreedesktopAssociation::entryValue(const QByteArray &desktopEntry, const QString &key)
{
    bool inMainGroup = false;
    for (const QByteArray &rawLine : desktopEntry.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup || !line.startsWith(key))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || line.left(equals).trimmed() != key)
            continue;
        return unescapeValue(line.mid(equals + 1).trimmed());
    }
    return {};
}

QString FreedesktopAssociation::programOfExecLine(const QString &exec)
{
    QStringList words = execWords(exec);
    if (!words.isEmpty() && words.first() == QLatin1String("env")) {
        words.removeFirst();
        while (!words.isEmpty() && (words.first().contains(u'=') || words.first().startsWith(u'-')))
            words.removeFirst();
    }
    return words.isEmpty() ? QString() : words.first();
}

}  // namespace pembry
