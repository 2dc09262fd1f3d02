#pragma once
// Writes the text of the generated Basic module: the wrapper procedure
// CreateNewDatabase, one procedure per table, the Relations procedure, the
// Queries procedure, the Indexes procedure and, when a table or query sets
// design properties, the SetDesignProperty procedure they call. It only
// writes text; the checks of the settings are SettingsCheck's, the code file
// ModuleDelivery's, reading progress and the handling of failures
// clsWriteNewDatabase's. Lines end with CR LF.
//
// A run is begin(), then write(). write() first works out what the module
// holds (the procedures' names, which relationships and queries are
// written, which indexes a relationship recreates), then prints the module
// from one template, each part in its place, into one buffer.

#include "wizard/engine/SchemaModel.h"
#include "wizard/generator/GeneratorSettings.h"
#include "wizard/generator/SettingsCheck.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace tabulo {

// A field the module names in a comment only: no DAO type names its
// storage type.
struct LeftOutField {
    QString table;
    QString field;
    int storageType = 0;
};

// What a module is written from: the chosen tables of a design, and the
// relationships and saved queries of the same design, of which those are
// written whose tables are all chosen (relationships when the setting
// includeRelations is on, queries when includeQueries is).
struct ModuleSource {
    QList<const schema::Table *> tables;   // in module order
    QStringList chosenNames;               // the names the tables were chosen by
    QList<schema::Relation> relations;
    bool replica = false;                  // PartialReplica lines are written
    QList<schema::Query> queries;
};

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

    // The module for `source`. For progress, `tablesWritten(k)` is called
    // before the k-th table's procedure is written, and once more with the
    // number of tables after the last.
    QString write(const ModuleSource &source, const std::function<void(int)> &tablesWritten = {});

    // Whether the module holds the Relations procedure (at least one
    // relationship is written) and, with the wrapper, its call.
    bool relationWritten() const;

    // Whether the module holds the Queries procedure and, with the wrapper,
    // its call.
    bool queryWritten() const;

    // What the module leaves out of the source's queries, or writes in
    // another order than their sources need, one sentence each.
    const QStringList &queryWarnings() const;

    // The fields written as a comment only, in module order.
    const QList<LeftOutField> &leftOutFields() const;

private:
    struct State;
    std::unique_ptr<State> d;
};

// The source database is a replica when its design-master or replica id is
// not empty.
bool isReplica(const schema::Database &database);

}  // namespace tabulo
