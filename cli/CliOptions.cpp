#include "cli/CliOptions.h"

#include "cli/PasswordInput.h"
#include "utility/BasicError.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/generator/ModuleWriter.h"

#include <CLI/CLI.hpp>

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
    CLI::App app{"Writes a Basic (DAO) module whose procedures recreate the tables, fields, indexes and "
                 "relationships of a Microsoft Access (Jet) database.",
                 "tabulo-cli"};
    app.set_version_flag("--version", std::string("tabulo-cli " TABULO_VERSION " (")
                                          + wizardBuild().name.toStdString() + ")");
    app.footer("Exit status: 0 on success, 1 when the database cannot be read or the module cannot be "
               "written (\"error NUMBER: DESCRIPTION\" on standard error), 2 for a usage error.");

    GeneratorSettings &settings = options.settings;
    std::string source, mdw, user, password, dbPassword;
    std::vector<std::string> tables;
    std::string location = settings.pathNameDBNew.toLower().toStdString();
    int dbVersion = 0;
    std::string locale = settings.locale.toStdString();
    bool encrypt = settings.encrypt != 0;
    std::string security = "none";
    std::string newMdw, newUser, newPassword, newDbPassword;
    std::string passwordFile, dbPasswordFile, newPasswordFile, newDbPasswordFile;
    std::string dbVar = settings.varNameNewDB.toStdString(), tableVar = settings.varNameNewTable.toStdString(),
                fieldVar = settings.varNameNewField.toStdString(), indexVar = settings.varNameNewIndex.toStdString(),
                relationVar = settings.varNameNewRelation.toStdString(),
                procPrefix = settings.procPrefix.toStdString();
    int tabStop = settings.tabStop;
    bool noRelations = !settings.includeRelations, noWrapper = !settings.includeDatabaseWrapper;
    std::string output;

    app.add_option("SOURCE", source, "Source database: a Jet file (.mdb) or a JSON schema snapshot (.json)")
        ->required();

    const char *sourceGroup = "Source security";
    app.add_option("--mdw", mdw, "Workgroup information file that secures the source database")
        ->type_name("FILE")->group(sourceGroup);
    app.add_option("--user", user, "User name for the workgroup (used with --mdw)")
        ->type_name("NAME")->group(sourceGroup);
    passwordFileOption(app, "--password", password, passwordFile, "Password of that user, used with --mdw",
                       sourceGroup);
    passwordFileOption(app, "--db-password", dbPassword, dbPasswordFile, "Database password of the source database",
                       sourceGroup);

    const char *tableGroup = "Tables";
    app.add_option("--tables", tables,
                   "Tables to recreate; repeatable, or a comma-separated list (default: every table listed)")
        ->type_name("NAME[,NAME...]")->delimiter(',')->allow_extra_args(false)->group(tableGroup);
    app.add_flag("--list-tables", options.listTables, "Print the tables that can be chosen, one a line, and exit")
        ->group(tableGroup);

    const char *newGroup = "New database";
    app.add_option("--location", location,
                   "Where the module creates the tables: 'current' (the database it runs in), 'variable' "
                   "(a path passed at run time) or a fixed database PATH")
        ->type_name("current|variable|PATH")->capture_default_str()->group(newGroup);
    app.add_option("--db-version", dbVersion,
                   "Format of the new database: " + versionHelp() + " (default: the source's own)")
        ->type_name(versionTypeName())->check(CLI::IsMember(versionChoices()))->group(newGroup);
    app.add_option("--locale", locale, "Collating order constant of the new database")
        ->type_name("NAME")->check(CLI::IsMember(localeChoices()))->capture_default_str()->group(newGroup);
    app.add_flag("--encrypt", encrypt, "Encrypt the new database")->group(newGroup);
    app.add_option("--security", security,
                   "Security of the new database: none, runtime (parameters of CreateNewDatabase) or "
                   "hardcoded (written into the module)")
        ->type_name("none|runtime|hardcoded")
        ->check(CLI::IsMember({"none", "runtime", "hardcoded"}))
        ->capture_default_str()->group(newGroup);
    app.add_option("--new-mdw", newMdw, "Workgroup file for the new database (hardcoded security)")
        ->type_name("FILE")->group(newGroup);
    app.add_option("--new-user", newUser, "User name in that workgroup (hardcoded security)")
        ->type_name("NAME")->group(newGroup);
    passwordFileOption(app, "--new-password", newPassword, newPasswordFile,
                       "Password of that user, for hardcoded security", newGroup);
    passwordFileOption(app, "--new-db-password", newDbPassword, newDbPasswordFile,
                       "Database password of the new database, for hardcoded security", newGroup);

    const char *styleGroup = "Code style";
    app.add_option("--db-var", dbVar, "Database variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--table-var", tableVar, "Table variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--field-var", fieldVar, "Field variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--index-var", indexVar, "Index variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--relation-var", relationVar, "Relation variable name")->capture_default_str()->group(styleGroup);
    app.add_option("--proc-prefix", procPrefix, "Prefix of the table procedures' names")
        ->capture_default_str()->group(styleGroup);
    app.add_option("--tab-stop", tabStop, "Blanks per indent level, 0 to 16")
        ->type_name("N")->check(CLI::Range(0, 32767))->capture_default_str()->group(styleGroup);
    app.add_flag("--no-relations", noRelations, "Do not recreate relationships")->group(styleGroup);
    app.add_flag("--no-wrapper", noWrapper, "Leave out the CreateNewDatabase procedure")->group(styleGroup);
    app.add_flag("--design-properties", settings.includeDesignProperties,
                 "Also recreate index sort order, table validation and the design properties of tables "
                 "and fields (descriptions, captions, formats, lookups)")
        ->group(styleGroup);

    const char *outputGroup = "Output";
    CLI::Option *outputOption =
        app.add_option("-o,--output", output, "Code file to write (default: the file's content on standard output)")
            ->type_name("FILE")->group(outputGroup);
    app.add_flag("--vb-header", settings.writeVB5Header, "Start the code file with an \"Attribute VB_Name\" line")
        ->needs(outputOption)->group(outputGroup);
    app.add_flag("--open", settings.runNotepad, "Open the code file in the program associated with text files")
        ->needs(outputOption)->group(outputGroup);

    try {
        app.parse(argc, argv);
        if (location.empty())
            throw CLI::ValidationError("--location", "a database path must not be empty");
        if (security == "hardcoded" && (newMdw.empty() || newUser.empty()))
            throw CLI::ValidationError("--security", "hardcoded needs --new-mdw and --new-user");
        for (const std::string &name : tables) {
            if (fromArgument(name).trimmed().isEmpty())
                throw CLI::ValidationError("--tables", "a table name must not be empty");
        }
        if (output.empty() && app.count("--output") > 0)
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
        {"--password-file", passwordFile, password, "Workgroup password: "},
        {"--db-password-file", dbPasswordFile, dbPassword, "Database password: "},
        {"--new-password-file", newPasswordFile, newPassword, "New workgroup password: "},
        {"--new-db-password-file", newDbPasswordFile, newDbPassword, "New database password: "},
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

    options.source = fromArgument(source);
    options.mdw = fromArgument(mdw);
    options.user = fromArgument(user);
    options.password = fromArgument(password);
    options.dbPassword = fromArgument(dbPassword);
    for (const std::string &name : tables)
        options.tables.append(fromArgument(name).trimmed());
    const QString place = fromArgument(location);
    if (place.compare(QLatin1String("current"), Qt::CaseInsensitive) == 0)
        settings.pathNameDBNew = QStringLiteral("Current");
    else if (place.compare(QLatin1String("variable"), Qt::CaseInsensitive) == 0)
        settings.pathNameDBNew = QStringLiteral("Variable");
    else
        settings.pathNameDBNew = place;
    if (app.count("--db-version") > 0)
        options.dbVersion = dbVersion;
    settings.locale = fromArgument(locale);
    settings.encrypt = encrypt ? 2 : 0;
    settings.newDBSecurity = security == "runtime" ? 1 : security == "hardcoded" ? 2 : 0;
    settings.pathNameMDWNew = fromArgument(newMdw);
    settings.userNameNew = fromArgument(newUser);
    settings.passwordMDWNew = fromArgument(newPassword);
    options.newDbPassword = fromArgument(newDbPassword);
    settings.varNameNewDB = fromArgument(dbVar);
    settings.varNameNewTable = fromArgument(tableVar);
    settings.varNameNewField = fromArgument(fieldVar);
    settings.varNameNewIndex = fromArgument(indexVar);
    settings.varNameNewRelation = fromArgument(relationVar);
    settings.procPrefix = fromArgument(procPrefix);
    settings.tabStop = qint16(tabStop);
    settings.includeRelations = !noRelations;
    settings.includeDatabaseWrapper = !noWrapper;
    settings.pathNameCodeFile = fromArgument(output);
    return std::nullopt;
}

}  // namespace tabulo::cli
