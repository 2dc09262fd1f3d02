#pragma once
// Writes the text of the generated Basic module: the wrapper procedure
// CreateNewDatabase, one procedure per table, the Relations procedure, the
// Indexes procedure and, when a table procedure sets design properties, the
// SetDesignProperty procedure they call. It only writes text; reading progress, delivery and the
// handling of failures belong to clsWriteNewDatabase. Lines end with CR LF.
//
// A run is: begin(), addTable() for each chosen table in list order,
// addRelations() when relations are wanted, then finish().

#include "wizard/engine/Dao.h"
#include "wizard/generator/GeneratorSettings.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

namespace tabulo {

// The source of the errors a run raises: the writer's refusals, and every
// failure WriteTableCreationCode passes on.
inline const QString kRunErrorSource = QStringLiteral("clsWriteNewDatabase:WriteTableCreationCode Method");

// Why a tab stop above kMaxTabStop is refused, for the setting `shownAs`.
QString tabStopRefusal(qsizetype tabStop, const QString &shownAs = QStringLiteral("TabStop"));

// Refuses, with error 5 and a description that names the setting and the
// reason, settings that cannot give a module that compiles: a Version or
// NewDBSecurity outside the listed values, an indent unit wider than
// kMaxTabStop, a variable name or Locale that is not a Basic name, and
// variable names that equal each other, the Locale or a name the module
// uses itself (compared without letter case, as Basic does). `shownAs` says
// how the caller calls a setting ("VarNameNewDB" -> "--db-var"); a setting
// it leaves out goes by its own name.
void checkCodeStyle(const GeneratorSettings &style, const QHash<QString, QString> &shownAs = {});

class ModuleWriter {
public:
    // Keeps a copy of `style`: the settings as they were when the run began.
    explicit ModuleWriter(GeneratorSettings style);
    ~ModuleWriter();

    // Refuses the settings checkCodeStyle() refuses, then starts the module.
    void begin();

    // Makes room at once for a module of about `characters` characters (an
    // earlier run's, say), so that the text does not grow by copies.
    void expectLength(qsizetype characters);

    // Reads one table definition: its procedure, its wrapper call and its
    // part of the Indexes procedure.
    void addTable(const dao::TableDef &table);

    // Writes the relationships whose two tables are both chosen. `isReplica`
    // decides whether PartialReplica lines are written.
    void addRelations(const dao::Relations &relations,
                      const std::function<bool(const QString &)> &isChosen, bool isReplica);

    // Whether addRelations wrote at least one relationship (then the module
    // holds the Relations procedure and, with the wrapper, its call).
    bool relationWritten() const;

    // Closes the wrapper and assembles the module text.
    QString finish();

private:
    struct State;
    std::unique_ptr<State> d;
};

// The source database is a replica when its design-master or replica id is
// not empty (both are read; engine errors pass through).
bool isReplica(const dao::Database &database);

// "Attribute VB_Name" module name for a code file: «Create DB.bas» gives
// «basCreateDB», «basSchema.txt» gives «basSchema».
// Characters a Basic name cannot hold become "_".
QString moduleNameForCodeFile(const QString &codeFilePath);

// The lines of the code file before the module text: the "Attribute
// VB_Name" line when asked for, "Option Explicit" and a blank line.
QString codeFileHeader(const QString &codeFilePath, bool writeVB5Header);

// The content of the code file, each part followed by a line break:
// codeFileHeader(), then the module text (which ends with its own line
// break, so the file ends with a blank line).
QString codeFileText(const QString &moduleText, const QString &codeFilePath, bool writeVB5Header);

}  // namespace tabulo
