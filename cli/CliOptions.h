#pragma once
// The command line of tabulo-cli: one option per wizard setting, with the
// wizard window's initial values as defaults.

#include <QString>
#include <QStringList>
#include <optional>

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
    // The new database.
    QString location = QStringLiteral("Variable");   // "Current", "Variable" or a path
    std::optional<qint32> dbVersion;                  // none: the source's own
    QString locale = QStringLiteral("dbLangGeneral");
    bool encrypt = false;
    qint16 security = 0;                               // 0 none, 1 runtime, 2 hardcoded
    QString newMdw;
    QString newUser;
    QString newPassword;
    QString newDbPassword;
    // Code style.
    QString dbVar = QStringLiteral("dbNew");
    QString tableVar = QStringLiteral("tdfNew");
    QString fieldVar = QStringLiteral("fldNew");
    QString indexVar = QStringLiteral("indxNew");
    QString relationVar = QStringLiteral("relNew");
    QString procPrefix = QStringLiteral("subCreate_");
    qint16 tabStop = 3;
    bool includeRelations = true;
    bool includeWrapper = true;
    bool vbHeader = false;
    // Output.
    QString output;                 // empty: standard output
    bool open = false;
};

// The locale constants the wizard offers for a new database.
const QStringList &localeNames();

// Refuses, with error 5 naming the option and the reason, code style
// options that cannot give a module that compiles (variable names that clash
// with each other or with the module's own names, a tab stop above 16).
// Checked before the source is opened.
void checkCodeStyleOptions(const CliOptions &options);

// Parses the command line into `options`. Answers nothing when the program
// should go on, otherwise the exit status: 0 after --help or --version, 2
// after a usage error (the message is printed).
std::optional<int> parseCommandLine(int argc, char **argv, CliOptions &options);

}  // namespace tabulo::cli
