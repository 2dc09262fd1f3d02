#include "wizard/engine/JetFileReader.h"

#include "wizard/engine/ReaderProcess.h"
#include "wizard/engine/RegularFile.h"
#include "wizard/engine/SchemaCompact.h"
#include "wizard/engine/SchemaJson.h"
#include "wizard/engine/WizardBuild.h"
#include "reader/jetfile/AceHeader.h"
#include "reader/jetfile/JetHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace dao {

namespace {

const QString WorkspaceSource = QStringLiteral("DAO.Workspace");
const QString EngineSource = QStringLiteral("DAO.DBEngine");
// The reader's exit status when it prints an error object.
constexpr int ReaderErrorStatus = 2;
// The longest password an encrypted ACE file's key is made from (UTF-16
// units; the rest is ignored). Its UTF-8 fits the reader's input.
constexpr qsizetype MaxAcePasswordUnits = 255;

QString unrecognised(const QString &path, const QString &why)
{
    return QStringLiteral("Unrecognized database format '%1': %2.").arg(path, why);
}

// The reader's arguments for the database `path`, which takes the password
// on its standard input when `passwordOnInput`; "--" ends its options,
// whatever the file is called.
QStringList readerArguments(const QString &path, const JetFileReaderSettings &settings,
                            bool passwordOnInput = false)
{
    QStringList arguments{QStringLiteral("--compact")};
    if (!settings.queries)
        arguments.append(QStringLiteral("--no-queries"));
    if (!settings.designProperties) {
        arguments.append(QStringLiteral("--no-design-properties"));
        if (settings.descriptions)
            arguments.append(QStringLiteral("--descriptions"));
    }
    if (passwordOnInput)
        arguments.append(QStringLiteral("--password-stdin"));
    arguments << QStringLiteral("--") << QDir::toNativeSeparators(path);
    return arguments;
}

// The first bytes of a regular file into `bytes`; only such a file is opened.
RegularFileOpen headerBytes(const QString &path, QByteArray &bytes, QString &kind)
{
    QFile file;
    const RegularFileOpen opened = openRegularFile(path, file, &kind);
    if (opened == RegularFileOpen::Opened)
        bytes = file.read(qint64(std::max(jetfile::HeaderBytes, jetfile::AceHeaderBytes)));
    return opened;
}

std::span<const std::uint8_t> byteSpan(const QByteArray &bytes)
{
    return std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
}

std::optional<jetfile::Header> parseHeader(const QByteArray &bytes, QString &problem)
{
    std::string why;
    auto header = jetfile::parseHeader(byteSpan(bytes), &why);
    problem = QString::fromStdString(why);
    return header;
}

std::optional<jetfile::AceHeader> parseAceHeader(const QByteArray &bytes, QString &problem)
{
    std::string why;
    auto header = jetfile::parseAceHeader(
        std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())), &why);
    problem = QString::fromStdString(why);
    return header;
}

// A run of the reader on an encrypted ACE file, given `password` on its
// input; this copy of the password is wiped once written.
std::unique_ptr<ReaderProcess> startWithPassword(const JetFileReaderSettings &settings,
                                                 const QStringList &arguments, const QString &password)
{
    QByteArray secret = password.left(MaxAcePasswordUnits).toUtf8();
    auto reader = std::make_unique<ReaderProcess>(settings, arguments, &secret);
    secret.fill('\0');
    return reader;
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

JetFileReader::~JetFileReader() = default;
JetFileReader::JetFileReader(JetFileReader &&) noexcept = default;
JetFileReader &JetFileReader::operator=(JetFileReader &&) noexcept = default;

void JetFileReader::readAhead(const QString &path)
{
    m_ahead.reset();
    if (pathKind(path) == PathKind::RegularFile)
        m_ahead = std::make_unique<ReaderProcess>(m_settings, readerArguments(path, m_settings));
}

schema::Database JetFileReader::readDatabase(const QString &path, const QString &password,
                                             ErrorList &errorList) const
{
    // A run started ahead is this reading's only if it reads this file;
    // whatever happens below, it does not outlive the call.
    std::unique_ptr<ReaderProcess> reader = std::move(m_ahead);
    const PathKind found = pathKind(path);
    if (path.isEmpty() || found == PathKind::Missing || found == PathKind::Folder)
        errorList.fail(errors::FileNotFound, engineErrorText(errors::FileNotFound, path), WorkspaceSource);
    QByteArray bytes;
    QString kind;
    const RegularFileOpen opened = headerBytes(path, bytes, kind);
    failUnlessOpened(opened, path, kind, errorList, WorkspaceSource);

    QString problem;
    const std::optional<jetfile::Header> header = parseHeader(bytes, problem);
    if (!header)
        errorList.fail(errors::FormatNotRecognised, unrecognised(path, problem), WorkspaceSource);
    if (header->format == jetfile::Format::Ace && !tabulo::opensAce())
        errorList.fail(errors::FormatNotRecognised,
                   unrecognised(path, QStringLiteral("it is an ACE database (Access 2007 or later), which this engine does not open")),
                   WorkspaceSource);
    // An encrypted ACE file's password is checked by the reader, which
    // derives the key from it once and decrypts the file with that key.
    bool encryptedAce = false;
    if (header->format == jetfile::Format::Ace) {
        const std::optional<jetfile::AceHeader> ace = parseAceHeader(bytes, problem);
        if (!ace)
            errorList.fail(errors::FormatNotRecognised, unrecognised(path, problem), WorkspaceSource);
        encryptedAce = ace->encrypted;
    }
    if (header->format == jetfile::Format::Jet4 && tabulo::wizardBuild().jetVersion < 40)
        errorList.fail(errors::FormatNotRecognised,
                   unrecognised(path, QStringLiteral("it is a Jet 4.0 database, which the Jet 3.5 engine does not open")),
                   WorkspaceSource);
    if (encryptedAce ? password.isEmpty()
                     : !header->password.empty() && QString::fromStdU16String(header->password) != password)
        errorList.fail(errors::NotValidDbPassword, {}, WorkspaceSource);

    // A run started ahead never has the password, so it is never the run of
    // an encrypted file.
    const QStringList arguments = readerArguments(path, m_settings, encryptedAce);
    if (reader && !reader->isRunOf(m_settings, arguments))
        reader.reset();
    if (!reader)
        reader = encryptedAce ? startWithPassword(m_settings, arguments, password)
                              : std::make_unique<ReaderProcess>(m_settings, arguments);
    // Our reader answers in the compact form it is asked for, and only when
    // it succeeds; the answer is decoded while its process ends.
    std::optional<schema::Database> model;
    problem.clear();
    if (const QByteArray *answer = reader->answer(); answer && schema::isCompact(*answer))
        model = schema::fromCompact(*answer, &problem);
    const ReaderRun run = reader->finish();
    // A wrong password is told in the engine's own words, as for Jet 4.
    if (encryptedAce && readerError(run, {errors::NotValidDbPassword}))
        errorList.fail(errors::NotValidDbPassword, {}, WorkspaceSource);
    if (const auto error = readerError(run, {errors::FormatNotRecognised}))
        errorList.fail(error->number, error->description, WorkspaceSource);
    if (!run.finished)
        errorList.fail(errors::FormatNotRecognised, unrecognised(path, run.problem), WorkspaceSource);
    if (run.exitCode != 0)
        errorList.fail(errors::FormatNotRecognised,
                   unrecognised(path, QStringLiteral("the reader failed with status %1").arg(run.exitCode)),
                   WorkspaceSource);
    // Another reader program may answer in JSON.
    if (!model && problem.isEmpty())
        model = schema::fromJson(run.output, &problem);
    if (!model)
        errorList.fail(errors::FormatNotRecognised,
                   unrecognised(path, QStringLiteral("the reader's answer is unusable (%1)").arg(problem)),
                   WorkspaceSource);
    model->name = path;
    return std::move(*model);
}

QStringList JetFileReader::readWorkgroupUsers(const QString &path, ErrorList &errorList) const
{
    const auto unusable = [&](const QString &why) {
        errorList.fail(errors::WorkgroupUnusable,
                   QStringLiteral("%1 (%2: %3)").arg(engineErrorText(errors::WorkgroupUnusable), path, why),
                   EngineSource);
    };
    if (const PathKind found = pathKind(path); found == PathKind::Missing || found == PathKind::Folder)
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
        ReaderProcess(m_settings, {QStringLiteral("--workgroup"), QStringLiteral("--"), QDir::toNativeSeparators(path)})
            .finish();
    if (const auto error = readerError(run, {errors::WorkgroupUnusable}))
        errorList.fail(error->number, error->description, EngineSource);
    if (!run.finished)
        unusable(run.problem);
    std::optional<QStringList> users = schema::workgroupFromJson(run.output);
    if (run.exitCode != 0 || !users)
        unusable(QStringLiteral("the reader's answer is unusable"));
    return std::move(*users);
}

bool isAceDatabaseFile(const QString &path)
{
    QByteArray bytes;
    QString kind;
    if (headerBytes(path, bytes, kind) != RegularFileOpen::Opened)
        return false;
    QString problem;
    const std::optional<jetfile::Header> header = parseHeader(bytes, problem);
    return header && header->format == jetfile::Format::Ace;
}

}  // namespace dao
