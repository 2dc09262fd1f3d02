// tabulo-cli: the generator without a window. Opens the source database with
// the given security, chooses the tables, hands every option to the one
// generator and writes the module to a code file or to standard output.

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/TableChoice.h"
#include "utility/BasicError.h"
#include "wizard/engine/Dao.h"
#include "wizard/engine/ReaderChild.h"
#include "wizard/engine/WizardBuild.h"
#include "reader/ReaderMain.h"
#include "wizard/generator/DisplayText.h"
#include "wizard/generator/clsWriteNewDatabase.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace tabulo;
using namespace tabulo::cli;

namespace {

// The tables in the order of the wizard's lists.
QStringList sortedLikeTheWindow(QStringList names)
{
    std::stable_sort(names.begin(), names.end(), tableSortsBefore);
    return names;
}

// The new database's format constant for the source's major version, as
// the wizard's page 1 selects it.
qint32 formatOfSource(qint32 majorVersion, const QString &source)
{
    const qsizetype index = jetVersionIndexOfSource(majorVersion);
    if (index < 0)
        pembry::raiseError(pembry::err::InvalidCall, QStringLiteral("tabulo-cli"),
                           QStringLiteral("\"%1\" has the format version %2, for which no new database format "
                                          "is known; choose one with --db-version.")
                               .arg(source)
                               .arg(majorVersion));
    return kJetVersions[index].code;
}

// Why the source could not be opened, after the generator answered no
// database: the engine's last error, else the generator's message.
QString unopenableReason(const KeptMessages &messages)
{
    const dao::Errors &errors = dao::dbEngine().Errors();
    if (errors.Count() > 0) {
        const QString description = errors.Item(errors.Count() - 1).Description;
        if (!description.isEmpty())
            return description;
    }
    return messages.messages.isEmpty() ? QStringLiteral("Unrecognized database format.")
                                       : messages.messages.last();
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text.simplified();
}

[[noreturn]] void cannotWriteToStandardOutput()
{
    pembry::raiseError(57, QStringLiteral("tabulo-cli"), QStringLiteral("Cannot write to standard output."));
}

void writeToStandardOutput(const QByteArray &bytes)
{
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        || std::fflush(stdout) != 0)
        cannotWriteToStandardOutput();
}

// The code file's content on standard output, encoded a piece at a time.
void writeModuleToStandardOutput(const QString &moduleText, bool script)
{
    QFile out;
    if (std::fflush(stdout) != 0 || !out.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)
        || !(script ? writeScriptContent(out, moduleText) : writeCodeFileContent(out, moduleText, false, QString()))
        || !out.flush())
        cannotWriteToStandardOutput();
}

// Hands the generator every setting at once; without --db-version the new
// database takes the source's format.
void applySettings(clsWriteNewDatabase &gen, const CliOptions &options)
{
    GeneratorSettings settings = options.settings;
    if (options.versionFromSource && settings.sqlDialect.isEmpty())
        settings.version = formatOfSource(gen.DBSourceVersion(), options.source);
    gen.setSettings(std::move(settings));
}

// A field the module names in a comment only is a field the new database
// will lack: said on standard error (escaped like every error line),
// whatever else goes there.
void warnOfLeftOutFields(const QList<LeftOutField> &fields)
{
    for (const LeftOutField &field : fields)
        printError(QStringLiteral("warning: ") + leftOutFieldWarning(field.table, field.field, field.storageType));
}

// What a damaged source cost the module, one line each.
void warnOfDamagedSource(const QStringList &warnings)
{
    for (const QString &warning : warnings)
        printError(QStringLiteral("warning: ") + oneLine(warning));
}

// Lets go of everything the run handed the generator, also after a failure.
class GeneratorSession {
public:
    explicit GeneratorSession(clsWriteNewDatabase &gen) : m_gen(gen) {}
    ~GeneratorSession()
    {
        m_gen.CloseSourceDBandMDW();
        m_gen.setProgressBar(nullptr);
        m_gen.setStatusBar(nullptr);
    }

private:
    clsWriteNewDatabase &m_gen;
};

int run(const CliOptions &options, KeptMessages &messages)
{
    checkCodeStyleOptions(options);
    clsWriteNewDatabase &gen = gobjWriteNewDatabase();
    GeneratorSession session(gen);
    std::unique_ptr<TerminalProgress> progress;
    if (stderrIsTerminal())
        progress = std::make_unique<TerminalProgress>();

    gen.setPathNameMDWSource(options.mdw);
    gen.setUserNameSource(options.user);
    gen.setPasswordMDWSource(options.password);
    gen.setPasswordDBSource(options.dbPassword);
    gen.setPathNameDBSource(options.source);
    if (progress) {
        gen.setProgressBar(progress.get());
        gen.setStatusBarPanelIndex(1);
        gen.setStatusBar(progress.get());
    }

    if (!gen.DBSource())
        pembry::raiseError(dao::errors::FormatNotRecognised, QStringLiteral("tabulo-cli"),
                           unopenableReason(messages));
    messages.messages.clear();

    const QStringList available = sortedLikeTheWindow(gen.SourceTableNames());
    if (options.listTables) {
        // One name a line, whatever a name holds.
        QByteArray listing;
        for (const QString &name : available)
            listing += escapedForDisplay(name).toLocal8Bit() + '\n';
        writeToStandardOutput(listing);
        return 0;
    }
    if (available.isEmpty())
        pembry::raiseError(pembry::err::InvalidPropertyValue, QStringLiteral("tabulo-cli"),
                           QStringLiteral("\"%1\" holds no tables to recreate: it has no tables of its own "
                                          "(system and linked tables are not recreated).")
                               .arg(options.source));
    const QStringList chosen = TableChoice(available).choose(options.tables, options.source);

    applySettings(gen, options);
    gen.WriteTableCreationCode(chosen);
    progress.reset();

    if (options.settings.pathNameCodeFile.isEmpty())
        writeModuleToStandardOutput(gen.ModuleText(), !options.settings.sqlDialect.isEmpty());
    warnOfDamagedSource(gen.SourceWarnings());
    for (const QString &warning : gen.ScriptWarnings())
        printError(QStringLiteral("warning: ") + oneLine(warning) + QStringLiteral("; the script leaves it out."));
    warnOfLeftOutFields(gen.LeftOutFields());
    for (const QString &warning : gen.QueryWarnings())
        printError(QStringLiteral("warning: ") + oneLine(warning));
    // The closing message says where the module went: useful on a terminal,
    // noise in a script.
    if (stderrIsTerminal()) {
        for (const QString &message : messages.messages)
            printError(message);
    }
    // Everything is written and flushed: the process ends here, for letting
    // go of a large design one entry at a time costs more than reading it,
    // and the system takes the memory back at once.
    std::fflush(nullptr);
    std::_Exit(0);
}

// Starts the reader on the source with what the options ask for: it reads
// while Qt and the generator get ready.
void readSourceAhead(const CliOptions &options)
{
    dao::DBEngine &engine = dao::dbEngine();
    engine.setDesignPropertiesWanted(options.settings.includeDesignProperties);
    // A script keeps the descriptions as comments.
    engine.setDescriptionsWanted(!options.settings.sqlDialect.isEmpty());
    engine.setQueriesWanted(options.settings.includeQueries && options.settings.sqlDialect.isEmpty());
    engine.readAhead(options.source);
}

}  // namespace

int main(int argc, char **argv)
{
    setWizardBuild(ace120Build());   // reads every format the ACE build opens; logs to Tabulo120.log
    CliOptions options;
    if (const std::optional<int> status = parseCommandLine(argc, argv, options))
        return *status;
    dao::setBuiltInReader(&reader::runReader);
    readSourceAhead(options);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tabulo-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TABULO_VERSION));
    KeptMessages messages;
    try {
        return run(options, messages);
    } catch (const pembry::BasicError &e) {
        printError(QStringLiteral("error %1: %2").arg(e.number()).arg(oneLine(e.description())));
        return 1;
    } catch (const std::exception &e) {
        printError(QStringLiteral("error 51: %1").arg(QString::fromLocal8Bit(e.what())));
        return 1;
    }
}
