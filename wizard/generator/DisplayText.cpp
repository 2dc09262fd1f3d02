#include "wizard/generator/DisplayText.h"

namespace tabulo {

namespace {

// Characters that are no controls but reorder or break the line shown.
bool isLayoutControl(char16_t c)
{
    return c == 0x061C                      // Arabic letter mark
           || c == 0x200E || c == 0x200F    // left-to-right, right-to-left marks
           || c == 0x2028 || c == 0x2029    // line and paragraph separators
           || (c >= 0x202A && c <= 0x202E)  // embeddings and overrides
           || (c >= 0x2066 && c <= 0x2069); // isolates
}

}  // namespace

QString escapedForDisplay(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(uint(code), 2, 16, QLatin1Char('0'));
        else if (isLayoutControl(code))
            shown += QStringLiteral("\\u%1").arg(uint(code), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString leftOutFieldWarning(const QString &table, const QString &field, int storageType)
{
    return QStringLiteral("table \"%1\", field \"%2\": its storage type 0x%3 has no DAO type; the module leaves it out.")
        .arg(escapedForDisplay(table), escapedForDisplay(field),
             QString::number(storageType, 16).toUpper().rightJustified(2, u'0'));
}

}  // namespace tabulo
