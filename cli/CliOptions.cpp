#include "cli/CliOptions.h"

#include "cli/PasswordInput.h"
#include "utility/BasicError.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/generator/ModuleWriter.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
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

// A password option and its "-file" form, which keeps the password out of
// the process list; the two exclude each other.
void passwordFileOption(CLI::App &app, const std::string &name, std::string &password, std::string &file,
                        const std::string &what, const char *group)
{
    const std::string visible = " (shown to every user of the machine in the process list; prefer " + name + "-file)";
    CLI::Option *inlineOption = app.add_option(name, password, what + visible)->type_name("TEXT")->group(group);
    app.add_option(name + "-file", file,
                   what + ", read from the first line of FILE, or of standard input for '-' (typed without "
                          "echo on a terminal)")
        ->type_name("FILE")->excludes(inlineOption)->group(group);
}

// The command line's values as typed, before they are checked and converted;
// they start as the values of the options passed in.
struct Arguments {
    explicit Arguments(const CliOptions &initial);

    std::string source, mdw, user, password, dbPassword;
    std::vector<std::string> tables;
    bool listTables;
    std::string location;
    int dbVersion = 0;
    std::string locale;
    bool encrypt;
    std::string security = "none";
    std::string newMdw, newUser, newPassword, newDbPassword;
    std::string passwordFile, dbPasswordFile, newPasswordFile, newDbPasswordFile;
    std::string dbVar, tableVar, fieldVar, indexVar, relationVar, procPrefix;
    int tabStop;
    bool noRelations, noWrapper, designProperties;
    std::string output;
    bool vbHeader, open;
};

Arguments::Arguments(const CliOptions &initial)
    : listTables(initial.listTables),
      location(initial.settings.pathNameDBNew.toLower().toStdString()),
      locale(initial.settings.locale.toStdString()),
      encrypt(initial.settings.encrypt != 0),
      dbVar(initial.settings.varNameNewDB.toStdString()),
      tableVar(initial.settings.varNameNewTable.toStdString()),
      fieldVar(initial.settings.varNameNewField.toStdString()),
      indexVar(initial.settings.varNameNewIndex.toStdString()),
      relationVar(initial.settings.varNameNewRelation.toStdString()),
      procPrefix(initial.settings.procPrefix.toStdString()),
      tabStop(initial.settings.tabStop),
      noRelations(!initial.settings.includeRelations),
      noWrapper(!initial.settings.includeDatabaseWrapper),
      designProperties(initial.settings.includeDesignProperties),
      vbHeader(initial.settings.writeVB5Header),
      open(initial.settings.runNotepad)
{
}

// tabulo-cli's options, bound to `arguments`: the one place they are
// defined, for parsing and for listing them.
class CommandLine {
public:
    explicit CommandLine(const CliOptions &initial);
    CommandLine(const CommandLine &) = delete;
    CommandLine &operator=(const CommandLine &) = delete;

    Arguments arguments;
    CLI::App app{"Writes a Basic (DAO) module whose procedures recreate the tables, fields, indexes and "
                 "relationships of a Microsoft Access (Jet) database.",
                 "tabulo-cli"};
};

CommandLine::CommandLine(const CliOptions &initial) : arguments(initial)
{
    Arguments &a = arguments;
    app.set_version_flag("--version", std::string("tabulo-cli " TABULO_VERSION " (")
                                          + wizardBuild().name.toStdString() + ")");
    app.footer("Exit status: 0 on success, 1 when the database cannot be read or the module cannot be "
               "written (\"error NUMBER: DESCRIPTION\" on standard error), 2 for a usage error.");

    app.add_option("SOURCE", a.source, "Source database: a Jet file (.mdb) or a JSON schema snapshot (.json)")
        ->required();

    const char *sourceGroup = "Source security";
    app.add_option("--mdw", a.mdw, "Workgroup information file that secures the source database")
        ->type_name("FILE")->group(sourceGroup);
    app.add_option("--user", a.user, "User name for the workgroup (used with --mdw)")
        ->type_name("NAME")->group(sourceGroup);
    passwordFileOption(app, "--password", a.password, a.passwordFile, "Password of that user, used with --mdw",
                       sourceGroup);
    passwordFileOption(app, "--db-password", a.dbPassword, a.dbPasswordFile,
                       "Database password of the source database", sourceGroup);

    const char *tableGroup = "Tables";
    app.add_option("--tables", a.tables,
                   "Tables to recreate; repeatable, or a comma-separated list (default: every table listed)")
        ->type_name("NAME[,NAME...]")->delimiter(',')->allow_extra_args(false)->group(tableGroup);
    app.add_flag("--list-tables", a.listTables, "Print the tables that can be chosen, one a line, and exit")
        ->group(tableGroup);

    const char *newGroup = "New database";
    app.add_option("--location", a.location,
                   "Where the module creates the tables: 'current' (the database it runs in), 'variable' "
                   "(a path passed at run time) or a fixed database PATH")
        ->type_name("current|variable|PATH")->capture_default_str()->group(newGroup);
    app.add_option("--db-version", a.dbVersion,
                   "Format of the new database: " + versionHelp() + " (default: the source's own)")
        ->type_name(versionTypeName())->check(CLI::IsMember(versionChoices()))->group(newGroup);
    app.add_option("--locale", a.locale, "Collating order constant of the new database")
        ->type_name("NAME")->check(CLI::IsMember(localeChoices()))->capture_default_str()->group(newGroup);
    app.add_flag("--encrypt", a.encrypt, "Encrypt the new database")->group(newGroup);
    app.add_option("--security", a.security,
                   "Security of the new database: none, runtime (parameters of CreateNewDatabase) or "
                   "hardcoded (written into the module)")
        ->type_name("none|runtime|hardcoded")
        ->check(CLI::IsMember({"none", "runtime", "hardcoded"}))
        ->capture_default_str()->group(newGroup);
    app.add_option("--new-mdw", a.newMdw, "Workgroup file for the new database (hardcoded security)")
        ->type_name("FILE")->group(newGroup);
    app.add_option("--new-user", a.newUser, "User name in that workgroup (hardcoded security)")
        ->type_name("NAME")->group(newGroup);
    passwordFileOption(app, "--new-password", a.newPassword, a.newPasswordFile,
                       "Password of that user, for hardcoded security", newGroup);
    passwordFileOption(app, "--new-db-password", a.newDbPassword, a.newDbPasswordFile,
                       "Database password of the new database, for hardcoded security", newGroup);

    const char *styleGroup = "Code style";
    app.add_option("--db-var", a.dbVar, "Database variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--table-var", a.tableVar, "Table variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--field-var", a.fieldVar, "Field variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--index-var", a.indexVar, "Index variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--relation-var", a.relationVar, "Relation variable name")
        ->capture_default_str()->group(styleGroup);
    app.add_option("--proc-prefix", a.procPrefix, "Prefix of the table procedures' names")
        ->capture_default_str()->group(styleGroup);
    app.add_option("--tab-stop", a.tabStop, "Blanks per indent level, 0 to 16")
        ->type_name("N")->check(CLI::Range(0, 32767))->capture_default_str()->group(styleGroup);
    app.add_flag("--no-relations", a.noRelations, "Do not recreate relationships")->group(styleGroup);
    app.add_flag("--no-wrapper", a.noWrapper, "Leave out the CreateNewDatabase procedure")->group(styleGroup);
    app.add_flag("--design-properties", a.designProperties,
                 "Also recreate index sort order, table validation and the design properties of tables "
                 "and fields (descriptions, captions, formats, lookups)")
        ->group(styleGroup);

    const char *outputGroup = "Output";
    CLI::Option *outputOption =
        app.add_option("-o,--output", a.output, "Code file to write (default: the file's content on standard output)")
            ->type_name("FILE")->group(outputGroup);
    app.add_flag("--vb-header", a.vbHeader, "Start the code file with an \"Attribute VB_Name\" line")
        ->needs(outputOption)->group(outputGroup);
    app.add_flag("--open", a.open, "Open the code file in the program associated with text files")
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
        {QStringLiteral("TabStop"), QStringLiteral("--tab-stop")},
        {QStringLiteral("Locale"), QStringLiteral("--locale")},
        {QStringLiteral("Version"), QStringLiteral("--db-version")},
        {QStringLiteral("NewDBSecurity"), QStringLiteral("--security")}};
    GeneratorSettings style = options.settings;
    style.version = options.dbVersion.value_or(style.version);
    try {
        checkCodeStyle(style, optionNames);
    } catch (const pembry::BasicError &e) {
        throw e.withSource(QStringLiteral("tabulo-cli"));
    }
}

std::optional<int> parseCommandLine(int argc, char **argv, CliOptions &options)
{
    CommandLine line(options);
    CLI::App &app = line.app;
    Arguments &a = line.arguments;
    GeneratorSettings &settings = options.settings;

    try {
        app.parse(argc, argv);
        if (a.location.empty())
            throw CLI::ValidationError("--location", "a database path must not be empty");
        if (a.security == "hardcoded" && (a.newMdw.empty() || a.newUser.empty()))
            throw CLI::ValidationError("--security", "hardcoded needs --new-mdw and --new-user");
        for (const std::string &name : a.tables) {
            if (fromArgument(name).trimmed().isEmpty())
                throw CLI::ValidationError("--tables", "a table name must not be empty");
        }
        if (a.output.empty() && app.count("--output") > 0)
            throw CLI::ValidationError("--output", "the code file name must not be empty");
    } catch (const CLI::ParseError &e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    // The passwords given in files, asked in the order of the options.
    const struct {
        const char *option;
        const std::string &file;
        std::string &password;
        const char *prompt;
    } passwordFiles[] = {
        {"--password-file", a.passwordFile, a.password, "Workgroup password: "},
        {"--db-password-file", a.dbPasswordFile, a.dbPassword, "Database password: "},
        {"--new-password-file", a.newPasswordFile, a.newPassword, "New workgroup password: "},
        {"--new-db-password-file", a.newDbPasswordFile, a.newDbPassword, "New database password: "},
    };
    for (const auto &entry : passwordFiles) {
        if (app.count(entry.option) == 0)
            continue;
        QString problem;
        const std::optional<QString> read = readPassword(fromArgument(entry.file), QString::fromLatin1(entry.prompt), problem);
        if (!read) {
            std::fprintf(stderr, "tabulo-cli: %s: %s\n", entry.option, problem.toLocal8Bit().constData());
            return 2;
        }
        entry.password = read->toLocal8Bit().toStdString();
    }

    options.source = fromArgument(a.source);
    options.mdw = fromArgument(a.mdw);
    options.user = fromArgument(a.user);
    options.password = fromArgument(a.password);
    options.dbPassword = fromArgument(a.dbPassword);
    for (const std::string &name : a.tables)
        options.tables.append(fromArgument(name).trimmed());
    options.listTables = a.listTables;
    const QString place = fromArgument(a.location);
    if (place.compare(QLatin1String("current"), Qt::CaseInsensitive) == 0)
        settings.pathNameDBNew = QStringLiteral("Current");
    else if (place.compare(QLatin1String("variable"), Qt::CaseInsensitive) == 0)
        settings.pathNameDBNew = QStringLiteral("Variable");
    else
        settings.pathNameDBNew = place;
    if (app.count("--db-version") > 0)
        options.dbVersion = a.dbVersion;
    settings.locale = fromArgument(a.locale);
    settings.encrypt = a.encrypt ? 2 : 0;
    settings.newDBSecurity = a.security == "runtime" ? 1 : a.security == "hardcoded" ? 2 : 0;
    settings.pathNameMDWNew = fromArgument(a.newMdw);
    settings.userNameNew = fromArgument(a.newUser);
    settings.passwordMDWNew = fromArgument(a.newPassword);
    options.newDbPassword = fromArgument(a.newDbPassword);
    settings.varNameNewDB = fromArgument(a.dbVar);
    settings.varNameNewTable = fromArgument(a.tableVar);
    settings.varNameNewField = fromArgument(a.fieldVar);
    settings.varNameNewIndex = fromArgument(a.indexVar);
    settings.varNameNewRelation = fromArgument(a.relationVar);
    settings.procPrefix = fromArgument(a.procPrefix);
    settings.tabStop = qint16(a.tabStop);
    settings.includeRelations = !a.noRelations;
    settings.includeDatabaseWrapper = !a.noWrapper;
    settings.includeDesignProperties = a.designProperties;
    settings.pathNameCodeFile = fromArgument(a.output);
    settings.writeVB5Header = a.vbHeader;
    settings.runNotepad = a.open;
    return std::nullopt;
}

std::vector<OptionSyntax> optionSyntax()
{
    CommandLine line{CliOptions{}};
    const CLI::App &app = line.app;
    std::vector<OptionSyntax> list;
    for (const CLI::Option *option : app.get_options()) {
        // The counts the parser uses for an option's values: a container
        // without extra arguments takes one item a time.
        OptionSyntax syntax;
        syntax.minValues = std::min(option->get_type_size_min(), option->get_items_expected_min());
        syntax.maxValues = option->get_items_expected_max();
        if (syntax.maxValues >= CLI::detail::expected_max_vector_size / 16 && !option->get_allow_extra_args()) {
            int typeMax = option->get_type_size_max();
            syntax.maxValues = CLI::detail::checked_multiply(typeMax, option->get_expected_min())
                                   ? typeMax
                                   : CLI::detail::expected_max_vector_size;
        }
        syntax.printsAndExits = option == app.get_help_ptr() || option == app.get_version_ptr();
        for (const std::string &name : option->get_snames()) {
            syntax.name = "-" + name;
            list.push_back(syntax);
        }
        for (const std::string &name : option->get_lnames()) {
            syntax.name = "--" + name;
            list.push_back(syntax);
        }
    }
    return list;
}

}  // namespace tabulo::cli
