#pragma once
// The checks that refuse settings which cannot give a module that compiles.
// The writer runs them when a run begins; the command line runs them on its
// options first, to name an option rather than a setting.

#include "wizard/generator/GeneratorSettings.h"

#include <QHash>
#include <QString>

namespace tabulo {

// The source of the errors a run raises: the writer's refusals, and every
// failure WriteTableCreationCode passes on.
inline const QString kRunErrorSource = QStringLiteral("clsWriteNewDatabase:WriteTableCreationCode Method");

// Why a tab stop above kMaxTabStop is refused, for the setting `shownAs`.
QString tabStopRefusal(qsizetype tabStop, const QString &shownAs = QStringLiteral("TabStop"));
// The same for a tab stop given as text that is no count (`value` says what
// it is: "empty", "99999").
QString tabStopRefusal(const QString &value, const QString &shownAs);

// Refuses, with error 5 and a description that names the setting and the
// reason, settings that cannot give a module that compiles: a Version or
// NewDBSecurity outside the listed values, an indent unit wider than
// kMaxTabStop, a variable name or Locale that is not a Basic name, and
// variable names that equal each other, the Locale or a name the module
// declares in the variable's procedures (moduleNames(), compared without
// letter case, as Basic does). `shownAs` says how the caller calls a setting
// ("VarNameNewDB" -> "--db-var"); a setting it leaves out goes by its own
// name.
void checkCodeStyle(const GeneratorSettings &style, const QHash<QString, QString> &shownAs = {});

}  // namespace tabulo
