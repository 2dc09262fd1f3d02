#include "cli/CliOptions.h"

#include "cli/PasswordInput.h"
#include "utility/BasicError.h"
#include "utility/OS32Helper.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/generator/ModuleWriter.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tabulo::cli {

namespace {

QString fromArgument(const std::string &text)
{
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}

std::vector<std::string> localeChoices()
{
    std::vector<std::string> choices;
    for (const QString &name : GeneratorSettings::locales())
        choices.push_back(name.toStdString());
    return choices;
}

// The format codes, and how --help explains them: "1 (Jet 1.0), 8 (Jet 1.1), ...".
std::vector<int> versionChoices()
{
    std::vector<int> codes;
    for (const JetVersion &version : kJetVersions)
        codes.push_back(version.code);
    return codes;
}

std::string versionHelp()
{
    QStringList codes;
    for (const JetVersion &version : kJetVersions)
        codes.append(QStringLiteral("%1 (%2)").arg(version.code).arg(version.engine));
    return codes.join(QStringLiteral(", ")).toStdString();
}

std::string versionTypeName()
{
    QStringList codes;
    for (const JetVersion &version : kJetVersions)
        codes.append(QString::number(version.code));
    return codes.join(u'|').toStdString();
}

// An option whose value, read in the local encoding, is handed to `set`.
CLI::Option *textOption(CLI::App &app, const std::string &name, std::function<void(const QString &)> set,
                        const std::string &help)
{
    return app.add_option_function<std::string>(
        name, [set = std::move(set)](const std::string &text) { set(fromArgument(text)); }, help);
}

// An option whose value becomes `target`.
CLI::Option *textOption(CLI::App &app, const std::string &name, QString &target, const std::string &help)
{
    return textOption(app, name, [&target](const QString &text) { target = text; }, help);
}

// An option naming a file the engine reads, which becomes `target` with
// every byte of the name kept, UTF-8 or not.
CLI::Option *fileOption(CLI::App &app, const std::string &name, QString &target, const std::string &help)
{
    return app.add_option_function<std::string>(
        name, [&target](const std::string &file) { target = pembry::decodeFileName(QByteArray::fromStdString(file)); },
        help);
}

// The setting PathNameDBNew for the value of --location.
QString locationSetting(const QString &place)
{
    if (place.compare(QLatin1String("current"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Current");
    if (place.compare(QLatin1String("variable"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Variable");
    return place;
}

// The setting NewDBSecurity for the value of --security.
qint16 securitySetting(const QString &security)
{
    return security == QLatin1String("runtime") ? 1 : security == QLatin1String("hardcoded") ? 2 : 0;
}

// The options that shape the Basic module alone, which an SQL script
// refuses.
constexpr const char *kModuleOnlyOptions[] = {
    "--db-var", "--table-var", "--field-var", "--index-var", "--relation-var", "--proc-prefix", "--tab-stop",
    "--location", "--db-version", "--locale", "--encrypt", "--security", "--new-mdw", "--new-user",
    "--new-password", "--new-password-file", "--new-db-password", "--new-db-password-file", "--no-wrapper",
    "--vb-header", "--design-properties", "--queries", "--query-var"};

// A password given in a file: read after the parse, in the order of the
// options, and handed to `set`.
struct PasswordFile {
    std::string option;           // "--password-file"
    const char *prompt;           // on a terminal, for '-'
    std::function<void(const QString &)> set;
    std::string file;             // as typed
};

// tabulo-cli's options, each bound to the value it sets in a CliOptions:
// the one place they are defined, for parsing and for listing them.
class CommandLine {
public:
    explicit CommandLine(CliOptions &options);
    CommandLine(const CommandLine &) = delete;
    CommandLine &operator=(const CommandLine &) = delete;

    CLI::App app{"Writes a Basic (DAO) module whose procedures recreate the tables, fields, indexes and "
                 "relationships of a Microsoft Access database (Jet .mdb or ACE .accdb), or an SQL script that "
                 "creates them in SQLite, PostgreSQL or MariaDB/MySQL.",
                 "tabulo-cli"};
    std::vector<std::string> tables;            // --tables as typed
    std::deque<PasswordFile> passwordFiles;     // in the order of the options

private:
    // A password option and its "-file" form, which keeps the password out
    // of the process list; the two exclude each other.
    void passwordOption(const std::string &name, std::function<void(const QString &)> set, const std::string &what,
                        const char *group, const char *prompt);
};

void CommandLine::passwordOption(const std::string &name, std::function<void(const QString &)> set,
                                 const std::string &what, const char *group, const char *prompt)
{
    const std::string visible = " (shown to every user of the machine in the process list; prefer " + name + "-file)";
    CLI::Option *inlineOption = textOption(app, name, set, what + visible)->type_name("TEXT")->group(group);
    PasswordFile &file = passwordFiles.emplace_back(PasswordFile{name + "-file", prompt, std::move(set), {}});
    app.add_option(file.option, file.file,
                   what + ", read from the first line of FILE, or of standard input for '-' (typed without "
                          "echo on a terminal)")
        ->type_name("FILE")->excludes(inlineOption)->group(group);
}

CommandLine::CommandLine(CliOptions &options)
{
    GeneratorSettings &s = options.settings;
    app.set_version_flag("--version", std::string("tabulo-cli " TABULO_VERSION " (")
                                          + wizardBuild().name.toStdString() + ")");
    app.footer("Exit status: 0 on success, 1 when the database cannot be read or the module cannot be "
               "written (\"error NUMBER: DESCRIPTION\" on standard error), 2 for a usage error.");

    fileOption(app, "SOURCE", options.source,
               "Source database: a Jet file (.mdb), an ACE file (.accdb) or a JSON schema snapshot (.json)")
        ->required();

    const char *sourceGroup = "Source security";
    fileOption(app, "--mdw", options.mdw, "Workgroup information file that secures the source database")
        ->type_name("FILE")->group(sourceGroup);
    textOption(app, "--user", options.user, "User name for the workgroup (used with --mdw)")
        ->type_name("NAME")->group(sourceGroup);
    passwordOption("--password", [&options](const QString &text) { options.password = text; },
                   "Password of that user, used with --mdw", sourceGroup, "Workgroup password: ");
    passwordOption("--db-password", [&options](const QString &text) { options.dbPassword = text; },
                   "Database password of the source database (an encrypted .accdb is decrypted with it, in memory)",
                   sourceGroup, "Database password: ");

    const char *tableGroup = "Tables";
    app.add_option("--tables", tables,
                   "Tables to recreate; repeatable, or a comma-separated list (default: every table listed)")
        ->type_name("NAME[,NAME...]")->delimiter(',')->allow_extra_args(false)->group(tableGroup);
    app.add_flag("--list-tables", options.listTables, "Print the tables that can be chosen, one a line, and exit")
        ->group(tableGroup);

    const char *newGroup = "New database";
    textOption(app, "--location", [&s](const QString &place) { s.pathNameDBNew = locationSetting(place); },
               "Where the module creates the tables: 'current' (the database it runs in), 'variable' "
               "(a path passed at run time) or a fixed database PATH")
        ->type_name("current|variable|PATH")->default_str(s.pathNameDBNew.toLower().toStdString())->group(newGroup);
    app.add_option("--db-version", s.version,
                   "Format of the new database: " + versionHelp() + " (default: the source's own)")
        ->type_name(versionTypeName())->check(CLI::IsMember(versionChoices()))->group(newGroup);
    textOption(app, "--locale", s.locale, "Collating order constant of the new database")
        ->type_name("NAME")->check(CLI::IsMember(localeChoices()))->default_str(s.locale.toStdString())
        ->group(newGroup);
    app.add_flag_callback("--encrypt", [&s] { s.encrypt = 2; }, "Encrypt the new database")->group(newGroup);
    textOption(app, "--security", [&s](const QString &security) { s.newDBSecurity = securitySetting(security); },
               "Security of the new database: none, runtime (parameters of CreateNewDatabase) or "
               "hardcoded (written into the module)")
        ->type_name("none|runtime|hardcoded")
        ->check(CLI::IsMember({"none", "runtime", "hardcoded"}))
        ->default_str("none")->group(newGroup);
    textOption(app, "--new-mdw", s.pathNameMDWNew, "Workgroup file for the new database (hardcoded security)")
        ->type_name("FILE")->group(newGroup);
    textOption(app, "--new-user", s.userNameNew, "User name in that workgroup (hardcoded security)")
        ->type_name("NAME")->group(newGroup);
    passwordOption("--new-password", [&s](const QString &text) { s.passwordMDWNew = text; },
                   "Password of that user, for hardcoded security", newGroup, "New workgroup password: ");
    passwordOption("--new-db-password",
                   [&s](const QString &text) { s.passwordDBNew = GeneratorSettings::connectPassword(text); },
                   "Database password of the new database, for hardcoded security", newGroup,
                   "New database password: ");

    const char *styleGroup = "Code style";
    const struct {
        const char *name;
        QString &setting;
        const char *help;
    } names[] = {{"--db-var", s.varNameNewDB, "Database variable name"},
                 {"--table-var", s.varNameNewTable, "Table variable name"},
                 {"--field-var", s.varNameNewField, "Field variable name"},
                 {"--index-var", s.varNameNewIndex, "Index variable name"},
                 {"--relation-var", s.varNameNewRelation, "Relation variable name"},
                 {"--query-var", s.varNameNewQuery, "Query variable name (with --queries)"},
                 {"--proc-prefix", s.procPrefix, "Prefix of the table procedures' names"}};
    for (const auto &name : names)
        textOption(app, name.name, name.setting, name.help)->default_str(name.setting.toStdString())->group(styleGroup);
    app.add_option("--tab-stop", s.tabStop, "Blanks per indent level, 0 to 16")
        ->type_name("N")->check(CLI::Range(0, 32767).description(""))->capture_default_str()->group(styleGroup);
    app.add_flag_callback("--no-relations", [&s] { s.includeRelations = false; }, "Do not recreate relationships")
        ->group(styleGroup);
    app.add_flag_callback("--no-wrapper", [&s] { s.includeDatabaseWrapper = false; },
                          "Leave out the CreateNewDatabase procedure")
        ->group(styleGroup);
    app.add_flag("--design-properties", s.includeDesignProperties,
                 "Also recreate index sort order, table validation and the design properties of tables "
                 "and fields (descriptions, captions, formats, lookups)")
        ->group(styleGroup);
    app.add_flag("--queries", s.includeQueries,
                 "Also recreate the saved queries, each after the queries it reads (a query that reads a "
                 "table left out is left out too)")
        ->group(styleGroup);

    const char *sqlGroup = "SQL script";
    CLI::Option *sqlOption =
        textOption(app, "--sql", s.sqlDialect,
                   "Write an SQL script for this engine instead of the Basic module: UTF-8, one transaction "
                   "where the engine allows it (mysql: MariaDB 10.6+ and MySQL 8)")
            ->type_name("sqlite|postgresql|mysql")
            ->check(CLI::IsMember({"sqlite", "postgresql", "mysql"}).description(""))
            ->group(sqlGroup);
    app.add_flag("--lowercase-names", s.lowercaseNames,
                 "Write every name of the script in lower case (two names that become one are refused)")
        ->needs(sqlOption)->group(sqlGroup);

    const char *outputGroup = "Output";
    CLI::Option *outputOption =
        textOption(app, "-o,--output", s.pathNameCodeFile,
                   "Code file to write (default: the file's content on standard output)")
            ->type_name("FILE")->group(outputGroup);
    app.add_flag("--vb-header", s.writeVB5Header, "Start the code file with an \"Attribute VB_Name\" line")
        ->needs(outputOption)->group(outputGroup);
    app.add_flag("--open", s.runNotepad, "Open the code file in the program associated with text files")
        ->needs(outputOption)->group(outputGroup);
}

}  // namespace

GeneratorSettings CliOptions::defaultSettings()
{
    GeneratorSettings settings = GeneratorSettings::windowInitial();
    settings.pathNameDBNew = QStringLiteral("Variable");
    return settings;
}

void checkCodeStyleOptions(const CliOptions &options)
{
    static const QHash<QString, QString> optionNames = {
        {QStringLiteral("VarNameNewDB"), QStringLiteral("--db-var")},
        {QStringLiteral("VarNameNewTable"), QStringLiteral("--table-var")},
        {QStringLiteral("VarNameNewField"), QStringLiteral("--field-var")},
        {QStringLiteral("VarNameNewIndex"), QStringLiteral("--index-var")},
        {QStringLiteral("VarNameNewRelation"), QStringLiteral("--relation-var")},
        {QStringLiteral("VarNameNewQuery"), QStringLiteral("--query-var")},
        {QStringLiteral("TabStop"), QStringLiteral("--tab-stop")},
        {QStringLiteral("Locale"), QStringLiteral("--locale")},
        {QStringLiteral("Version"), QStringLiteral("--db-version")},
        {QStringLiteral("NewDBSecurity"), QStringLiteral("--security")}};
    try {
        checkCodeStyle(options.settings, optionNames);
    } catch (const pembry::BasicError &e) {
        throw e.withSource(QStringLiteral("tabulo-cli"));
    }
}

std::optional<int> parseCommandLine(int argc, char **argv, CliOptions &options)
{
    CommandLine line(options);
    CLI::App &app = line.app;
    const GeneratorSettings &settings = options.settings;

    try {
        app.parse(argc, argv);
        if (settings.pathNameDBNew.isEmpty())
            throw CLI::ValidationError("--location", "a database path must not be empty");
        if (settings.newDBSecurity == 2 && (settings.pathNameMDWNew.isEmpty() || settings.userNameNew.isEmpty()))
            throw CLI::ValidationError("--security", "hardcoded needs --new-mdw and --new-user");
        for (const std::string &name : line.tables) {
            if (fromArgument(name).trimmed().isEmpty())
                throw CLI::ValidationError("--tables", "a table name must not be empty");
        }
        if (settings.pathNameCodeFile.isEmpty() && app.count("--output") > 0)
            throw CLI::ValidationError("--output", "the code file name must not be empty");
        if (app.count("--sql") > 0) {
            for (const char *option : kModuleOnlyOptions) {
                if (app.count(option) > 0)
                    throw CLI::ValidationError(option, "means nothing for an SQL script (--sql)");
            }
        }
    } catch (const CLI::ParseError &e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    for (const PasswordFile &entry : line.passwordFiles) {
        if (app.count(entry.option) == 0)
            continue;
        QString problem;
        const std::optional<QString> read = readPassword(pembry::decodeFileName(QByteArray::fromStdString(entry.file)), QString::fromLatin1(entry.prompt), problem);
        if (!read) {
            std::fprintf(stderr, "tabulo-cli: %s: %s\n", entry.option.c_str(), problem.toLocal8Bit().constData());
            return 2;
        }
        entry.set(*read);
    }
    for (const std::string &name : line.tables)
        options.tables.append(fromArgument(name).trimmed());
    options.versionFromSource = app.count("--db-version") == 0;
    return std::nullopt;
}

std::vector<std::string> commandLineOptions()
{
    CliOptions scratch;
    CommandLine line(scratch);
    std::vector<std::string> names;
    for (const CLI::Option *option : line.app.get_options())
        names.push_back(option->get_name());
    return names;
}

}  // namespace tabulo::cli
