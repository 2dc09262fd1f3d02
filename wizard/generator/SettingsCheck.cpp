#include "wizard/generator/SettingsCheck.h"

#include "utility/BasicError.h"
#include "wizard/generator/BasicNames.h"

#include <iterator>

namespace tabulo {
namespace {

bool sameBasicName(const QString &a, const QString &b)
{
    return a.toLower() == b.toLower();
}

}  // namespace

QString tabStopRefusal(qsizetype tabStop, const QString &shownAs)
{
    return tabStopRefusal(QString::number(tabStop), shownAs);
}

QString tabStopRefusal(const QString &value, const QString &shownAs)
{
    return QStringLiteral("The setting %1 is %2; it must be 0 to %3, so that every indented line fits the "
                          "1,023 characters of a Basic line.")
        .arg(shownAs, value)
        .arg(kMaxTabStop);
}

void checkCodeStyle(const GeneratorSettings &style, const QHash<QString, QString> &shownAs)
{
    const auto refuse = [](const QString &description) {
        pembry::raiseError(pembry::err::InvalidCall, kRunErrorSource, description);
    };
    const auto shown = [&shownAs](const char *setting) {
        const QString name = QLatin1StringView(setting);
        return shownAs.value(name, name);
    };
    if (jetVersionConstant(style.version).isEmpty())
        refuse(QStringLiteral("The setting %1 is %2; it must be 1, 8, 16, 32 or 64.")
                   .arg(shown("Version"))
                   .arg(style.version));
    if (style.newDBSecurity < 0 || style.newDBSecurity > 2)
        refuse(QStringLiteral("The setting %1 is %2; it must be 0, 1 or 2.")
                   .arg(shown("NewDBSecurity"))
                   .arg(style.newDBSecurity));
    if (style.tabStop < 0 || style.tabStop > kMaxTabStop)
        refuse(tabStopRefusal(style.tabStop, shown("TabStop")));
    if (basicIdentifier(style.locale) != style.locale)
        refuse(QStringLiteral("The setting %1 «%2» is not a Basic name.").arg(shown("Locale"), style.locale));

    // Each variable setting and the procedures that declare its variable;
    // the query variable only in a module that writes the queries.
    const struct {
        const char *setting;
        const QString &value;
        quint8 procedures;
    } variables[] = {
        {"VarNameNewDB", style.varNameNewDB,
         WrapperProcedure | TableProcedures | IndexesProcedure | RelationsProcedure | QueriesProcedure},
        {"VarNameNewTable", style.varNameNewTable, TableProcedures},
        {"VarNameNewField", style.varNameNewField, TableProcedures | IndexesProcedure | RelationsProcedure},
        {"VarNameNewIndex", style.varNameNewIndex, IndexesProcedure},
        {"VarNameNewRelation", style.varNameNewRelation, RelationsProcedure},
        {"VarNameNewQuery", style.varNameNewQuery, QueriesProcedure}};
    const size_t variableCount = std::size(variables) - (style.includeQueries ? 0 : 1);
    const quint8 options = moduleOptions(style.includeDesignProperties, style.includeQueries);
    const QString sameName = QStringLiteral(" (Basic does not tell letter case apart in names)");
    for (size_t i = 0; i < variableCount; ++i) {
        const auto &[setting, value, procedures] = variables[i];
        if (basicIdentifier(value) != value)
            refuse(QStringLiteral("The setting %1 «%2» is not a Basic name.").arg(shown(setting), value));
        if (isModuleName(value, procedures, options))
            refuse(QStringLiteral("The setting %1 «%2» is a name the module uses itself%3; choose another name.")
                       .arg(shown(setting), value, sameName));
        if (sameBasicName(value, style.locale))
            refuse(QStringLiteral("The setting %1 «%2» is the name of the %3 constant «%4»%5; choose another name.")
                       .arg(shown(setting), value, shown("Locale"), style.locale, sameName));
        for (size_t j = 0; j < i; ++j) {
            const auto &other = variables[j];
            if (sameBasicName(value, other.value))
                refuse(QStringLiteral("The settings %1 «%2» and %3 «%4» name the same variable%5; every "
                                      "variable needs a name of its own.")
                           .arg(shown(other.setting), other.value, shown(setting), value, sameName));
        }
    }
}

}  // namespace tabulo
