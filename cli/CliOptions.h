#pragma once
// The command line of tabulo-cli: one option per wizard setting, bound to
// that setting, with the wizard window's initial values as defaults.

#include "wizard/generator/GeneratorSettings.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace tabulo::cli {

struct CliOptions {
    QString source;                 // Jet file or JSON snapshot
    // Source security.
    QString mdw;
    QString user;
    QString password;
    QString dbPassword;
    // Tables.
    QStringList tables;             // as given, comma lists split; empty = all
    bool listTables = false;
    // The module: the window's initial values, the tables created in a
    // database whose path is passed at run time; every option that shapes
    // it writes here.
    GeneratorSettings settings = defaultSettings();
    // No --db-version: the new database takes the source's own format in
    // place of settings.version.
    bool versionFromSource = true;

    static GeneratorSettings defaultSettings();
};

// Refuses, with error 5 naming the option and the reason, code style
// options that cannot give a module that compiles (variable names that clash
// with each other or with the module's own names, a tab stop above 16).
// Checked before the source is opened.
void checkCodeStyleOptions(const CliOptions &options);

// Parses the command line into `options`. Answers nothing when the program
// should go on, otherwise the exit status: 0 after --help or --version, 2
// after a usage error (the message is printed).
std::optional<int> parseCommandLine(int argc, char **argv, CliOptions &options);

// Every option parseCommandLine knows, once, by the name its messages use
// ("--output", "SOURCE"), in the order --help lists them.
std::vector<std::string> commandLineOptions();

}  // namespace tabulo::cli
