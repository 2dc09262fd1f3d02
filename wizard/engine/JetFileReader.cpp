#include "wizard/engine/JetFileReader.h"

#include "wizard/engine/RegularFile.h"
#include "wizard/engine/SchemaJson.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/engine/jetfile/JetHeader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <dlfcn.h>
#include <sys/resource.h>

namespace dao {

namespace {

const QString ReaderName = QStringLiteral("tabulo-schema-reader");
const QString WorkspaceSource = QStringLiteral("DAO.Workspace");
const QString EngineSource = QStringLiteral("DAO.DBEngine");
// The reader's answer for one file stays far below this.
constexpr qint64 MaxOutputBytes = 256 * 1024 * 1024;
// The reader's exit status when it prints an error object.
constexpr int ReaderErrorStatus = 2;

QString unrecognised(const QString &path, const QString &why)
{
    return QStringLiteral("Unrecognized database format '%1': %2.").arg(path, why);
}

// The outcome of one run of the reader.
struct ReaderRun {
    bool finished = false;      // exited normally with `exitCode`
    int exitCode = -1;
    QByteArray output;
    QString problem;            // why it did not finish, for the description
};

ReaderRun runReader(const JetFileReaderSettings &settings, const QStringList &arguments)
{
    ReaderRun run;
    const QString program = settings.program.isEmpty() ? findSchemaReader() : settings.program;
    if (program.isEmpty()) {
        run.problem = QStringLiteral("the program %1 is not installed").arg(ReaderName);
        return run;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    const rlim_t memory = rlim_t(std::max<qint64>(settings.memoryLimitBytes, 16 * 1024 * 1024));
    process.setChildProcessModifier([memory] {
        // Runs in the child between fork and exec: async-signal-safe calls only.
        const rlimit addressSpace{memory, memory};
        setrlimit(RLIMIT_AS, &addressSpace);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
    });
    process.start();
    if (!process.waitForStarted()) {
        run.problem = QStringLiteral("%1 could not be started (%2)").arg(program, process.errorString());
        return run;
    }
    const QDeadlineTimer deadline(std::max(settings.timeLimitMs, 1));
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired() || process.bytesAvailable() > MaxOutputBytes) {
            run.problem = deadline.hasExpired()
                              ? QStringLiteral("reading it took longer than %1 ms").arg(settings.timeLimitMs)
                              : QStringLiteral("the reader's answer is too long");
            process.kill();
            process.waitForFinished(-1);
            return run;
        }
        process.waitForFinished(int(std::min<qint64>(deadline.remainingTime(), 200)));
    }
    run.output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit) {
        run.problem = QStringLiteral("the reader stopped abnormally on it");
        return run;
    }
    run.finished = true;
    run.exitCode = process.exitCode();
    return run;
}

// The first bytes of a regular file into `bytes`; only such a file is opened.
RegularFileOpen headerBytes(const QString &path, QByteArray &bytes, QString &kind)
{
    QFile file;
    const RegularFileOpen opened = openRegularFile(path, file, &kind);
    if (opened == RegularFileOpen::Opened)
        bytes = file.read(qint64(jetfile::HeaderBytes));
    return opened;
}

std::optional<jetfile::Header> parseHeader(const QByteArray &bytes, QString &problem)
{
    std::string why;
    auto header = jetfile::parseHeader(
        std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())), &why);
    problem = QString::fromStdString(why);
    return header;
}

// The error object of a reader that could not read the file; only the
// engine's own numbers for such failures are believed.
std::optional<schema::ReaderError> readerError(const ReaderRun &run, std::initializer_list<int> expected)
{
    if (!run.finished || run.exitCode != ReaderErrorStatus)
        return std::nullopt;
    auto error = schema::readerErrorFromJson(run.output);
    if (!error || std::find(expected.begin(), expected.end(), error->number) == expected.end())
        return std::nullopt;
    return error;
}

}  // namespace

JetFileReader::JetFileReader(JetFileReaderSettings settings) : m_settings(std::move(settings)) {}

schema::Database JetFileReader::readDatabase(const QString &path, const QString &password,
                                             const EngineHooks &hooks) const
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        hooks.fail(errors::FileNotFound, engineErrorText(errors::FileNotFound, path), WorkspaceSource);
    QByteArray bytes;
    QString kind;
    switch (headerBytes(path, bytes, kind)) {
    case RegularFileOpen::Opened:
        break;
    case RegularFileOpen::NotRegular:
        hooks.fail(errors::CannotOpenFile, notRegularText(path, kind), WorkspaceSource);
    case RegularFileOpen::Unreadable:
        hooks.fail(errors::CannotOpenFile, engineErrorText(errors::CannotOpenFile, path), WorkspaceSource);
    }

    QString problem;
    const std::optional<jetfile::Header> header = parseHeader(bytes, problem);
    if (!header)
        hooks.fail(errors::FormatNotRecognised, unrecognised(path, problem), WorkspaceSource);
    if (header->format == jetfile::Format::Ace)
        hooks.fail(errors::FormatNotRecognised,
                   unrecognised(path, QStringLiteral("it is an ACE database (Access 2007 or later), which this engine does not open")),
                   WorkspaceSource);
    if (header->format == jetfile::Format::Jet4 && tabulo::wizardBuild().jetVersion < 40)
        hooks.fail(errors::FormatNotRecognised,
                   unrecognised(path, QStringLiteral("it is a Jet 4.0 database, which the Jet 3.5 engine does not open")),
                   WorkspaceSource);
    if (!header->password.empty() && QString::fromStdU16String(header->password) != password)
        hooks.fail(errors::NotValidDbPassword, {}, WorkspaceSource);

    const ReaderRun run = runReader(m_settings, {QStringLiteral("--"), QDir::toNativeSeparators(path)});
    if (const auto error = readerError(run, {errors::FormatNotRecognised}))
        hooks.fail(error->number, error->description, WorkspaceSource);
    if (!run.finished)
        hooks.fail(errors::FormatNotRecognised, unrecognised(path, run.problem), WorkspaceSource);
    if (run.exitCode != 0)
        hooks.fail(errors::FormatNotRecognised,
                   unrecognised(path, QStringLiteral("the reader failed with status %1").arg(run.exitCode)),
                   WorkspaceSource);
    std::optional<schema::Database> model = schema::fromJson(run.output, &problem);
    if (!model)
        hooks.fail(errors::FormatNotRecognised,
                   unrecognised(path, QStringLiteral("the reader's answer is unusable (%1)").arg(problem)),
                   WorkspaceSource);
    model->name = path;
    return std::move(*model);
}

QStringList JetFileReader::readWorkgroupUsers(const QString &path, const EngineHooks &hooks) const
{
    const auto unusable = [&](const QString &why) {
        hooks.fail(errors::WorkgroupUnusable,
                   QStringLiteral("%1 (%2: %3)").arg(engineErrorText(errors::WorkgroupUnusable), path, why),
                   EngineSource);
    };
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        unusable(QStringLiteral("the file does not exist"));
    QByteArray bytes;
    QString kind;
    const RegularFileOpen opened = headerBytes(path, bytes, kind);
    if (opened == RegularFileOpen::NotRegular)
        unusable(QStringLiteral("it is %1, not a file").arg(kind));
    if (opened == RegularFileOpen::Unreadable)
        unusable(QStringLiteral("the file cannot be read"));
    QString problem;
    const std::optional<jetfile::Header> header = parseHeader(bytes, problem);
    if (!header)
        unusable(problem);
    if (header->format == jetfile::Format::Ace)
        unusable(QStringLiteral("it is an ACE database, not a workgroup information file"));

    const ReaderRun run =
        runReader(m_settings, {QStringLiteral("--workgroup"), QStringLiteral("--"), QDir::toNativeSeparators(path)});
    if (const auto error = readerError(run, {errors::WorkgroupUnusable}))
        hooks.fail(error->number, error->description, EngineSource);
    if (!run.finished)
        unusable(run.problem);
    const QJsonDocument doc = QJsonDocument::fromJson(run.output);
    const QJsonValue users = doc.object().value(QStringLiteral("users"));
    if (run.exitCode != 0 || !users.isArray())
        unusable(QStringLiteral("the reader's answer is unusable"));
    QStringList names;
    for (const QJsonValue &user : users.toArray())
        names.append(user.toString());
    return names;
}

QString findSchemaReader()
{
    const QString fromEnvironment = qEnvironmentVariable("TABULO_SCHEMA_READER");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;

    QStringList folders;
    if (QCoreApplication::instance())
        folders.append(QCoreApplication::applicationDirPath());
    else
        folders.append(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2));
    // The library (plugin) or program this code is linked into, and the
    // folders above it with their bin folders: build/lib/tabulo -> build/bin,
    // <prefix>/lib/tabulo/plugins -> <prefix>/bin.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&findSchemaReader), &info) && info.dli_fname) {
        QDir dir = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteDir();
        for (int up = 0; up < 4; ++up) {
            folders.append(dir.absolutePath());
            folders.append(dir.absoluteFilePath(QStringLiteral("bin")));
            if (!dir.cdUp())
                break;
        }
    }
#ifdef TABULO_INSTALL_BINDIR
    folders.append(QStringLiteral(TABULO_INSTALL_BINDIR));
#endif
    for (const QString &folder : folders) {
        const QFileInfo candidate(QDir(folder).absoluteFilePath(ReaderName));
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

}  // namespace dao
