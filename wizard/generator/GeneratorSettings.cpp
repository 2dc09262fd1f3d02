#include "wizard/generator/GeneratorSettings.h"

#include <iterator>

namespace tabulo {

QString jetVersionConstant(qint32 code)
{
    for (const JetVersion &version : kJetVersions) {
        if (version.code == code)
            return version.constant.toString();
    }
    return {};
}

qsizetype jetVersionIndexOfSource(qint32 sourceMajor)
{
    for (qsizetype i = 0; i < qsizetype(std::size(kJetVersions)); ++i) {
        if (kJetVersions[i].sourceMajor == sourceMajor)
            return i;
    }
    return -1;
}

QString GeneratorSettings::connectPassword(const QString &typed)
{
    return typed.isEmpty() ? QString() : QStringLiteral(";pwd=") + typed;
}

const GeneratorSettings &GeneratorSettings::windowInitial()
{
    static const GeneratorSettings initial = [] {
        GeneratorSettings settings;
        settings.varNameNewTable = windowTableVariable;
        return settings;
    }();
    return initial;
}

const QStringList &GeneratorSettings::locales()
{
    static const QStringList names = {
        QStringLiteral("dbLangGeneral"), QStringLiteral("dbLangArabic"),
        QStringLiteral("dbLangChineseSimplified"), QStringLiteral("dbLangChineseTraditional"),
        QStringLiteral("dbLangCyrillic"), QStringLiteral("dbLangCzech"), QStringLiteral("dbLangDutch"),
        QStringLiteral("dbLangGreek"), QStringLiteral("dbLangHebrew"), QStringLiteral("dbLangHungarian"),
        QStringLiteral("dbLangIcelandic"), QStringLiteral("dbLangJapanese"), QStringLiteral("dbLangKorean"),
        QStringLiteral("dbLangNordic"), QStringLiteral("dbLangNorwDan"), QStringLiteral("dbLangPolish"),
        QStringLiteral("dbLangSlovenian"), QStringLiteral("dbLangSpanish"), QStringLiteral("dbLangSwedFin"),
        QStringLiteral("dbLangThai"), QStringLiteral("dbLangTurkish")};
    return names;
}

}  // namespace tabulo
