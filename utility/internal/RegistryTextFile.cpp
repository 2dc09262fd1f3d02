#include "utility/internal/RegistryTextFile.h"

#include <QStringList>

namespace pembry::registry {

namespace {

constexpr quint32 kString = 1;
constexpr quint32 kDword = 4;
constexpr quint32 kBinary = 3;
constexpr int kHexLineWidth = 77;

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// Quoted form of a name or string: \\, \" and \xHH for control characters.
QString quoted(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        if (c == u'\\' || c == u'"') {
            out += u'\\';
            out += c;
        } else if (isControl(c)) {
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += u'"';
    return out;
}

// The text of REG_SZ data when quoting it keeps every byte.
bool quotableString(const QByteArray &data, QString *text)
{
    if (data.isEmpty() || data.back() != '\0')
        return false;
    const QByteArray body = data.left(data.size() - 1);
    if (body.contains('\0'))
        return false;
    const QString decoded = QString::fromUtf8(body);
    if (decoded.toUtf8() != body)
        return false;
    *text = decoded;
    return true;
}

QString valueLine(const SavedValue &v)
{
    QString line = v.name.isEmpty() ? QStringLiteral("@") : quoted(v.name);
    line += u'=';
    QString text;
    if (v.type == kString && quotableString(v.data, &text)) {
        line += quoted(text);
        return line;
    }
    if (v.type == kDword && v.data.size() == 4) {
        const quint32 n = quint32(quint8(v.data[0])) | quint32(quint8(v.data[1])) << 8
                          | quint32(quint8(v.data[2])) << 16 | quint32(quint8(v.data[3])) << 24;
        line += QStringLiteral("dword:%1").arg(n, 8, 16, QLatin1Char('0'));
        return line;
    }
    line += v.type == kBinary ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(v.type, 0, 16);
    // Long data wraps by the width of the physical line being written.
    static const char digits[] = "0123456789abcdef";
    QString physical = line;
    QString result;
    for (qsizetype i = 0; i < v.data.size(); ++i) {
        const auto byte = quint8(v.data[i]);
        physical += QLatin1Char(digits[byte >> 4]);
        physical += QLatin1Char(digits[byte & 0xF]);
        if (i + 1 < v.data.size()) {
            physical += u',';
            if (physical.size() + 3 > kHexLineWidth) {
                result += physical + QLatin1String("\\\r\n");
                physical = QStringLiteral("  ");
            }
        }
    }
    return result + physical;
}

// Reads a quoted text starting at pos (on the opening quote); pos ends after
// the closing quote.
bool readQuoted(const QString &line, qsizetype &pos, QString *out)
{
    if (pos >= line.size() || line[pos] != u'"')
        return false;
    ++pos;
    QString text;
    while (pos < line.size()) {
        const QChar c = line[pos++];
        if (c == u'"') {
            *out = text;
            return true;
        }
        if (c != u'\\') {
            text += c;
            continue;
        }
        if (pos >= line.size())
            return false;
        const QChar e = line[pos++];
        if (e == u'x') {
            bool ok = false;
            const ushort code = line.mid(pos, 2).toUShort(&ok, 16);
            if (!ok || line.mid(pos, 2).size() != 2)
                return false;
            text += QChar(code);
            pos += 2;
        } else {
            text += e;   // \\ and \" (and any other escaped character) stand for themselves
        }
    }
    return false;
}

bool readHexBytes(const QString &text, QByteArray *out)
{
    QByteArray bytes;
    const QString compact = QString(text).remove(u' ').remove(u'\t');
    if (compact.isEmpty()) {
        *out = bytes;
        return true;
    }
    QStringList parts = compact.split(u',');
    if (parts.size() > 1 && parts.last().isEmpty())   // a comma left before a line break
        parts.removeLast();
    bytes.reserve(parts.size());
    for (const QString &p : parts) {
        bool ok = false;
        const uint b = p.toUInt(&ok, 16);
        if (!ok || p.size() > 2 || b > 0xFF)
            return false;
        bytes.append(char(b));
    }
    *out = bytes;
    return true;
}

}  // namespace

QByteArray formatSavedKeys(const QString &rootPath, const QList<SavedKey> &keys)
{
    QString text = QStringLiteral("REGEDIT4\r\n");
    for (const SavedKey &key : keys) {
        text += QLatin1String("\r\n[");
        text += key.relativePath.isEmpty() ? rootPath : rootPath + u'\\' + key.relativePath;
        text += QLatin1String("]\r\n");
        for (const SavedValue &v : key.values)
            text += valueLine(v) + QLatin1String("\r\n");
    }
    text += QLatin1String("\r\n");
    return text.toUtf8();
}

bool parseSavedKeys(const QByteArray &fileText, QList<SavedKey> *keys, QString *error)
{
    QByteArray bytes = fileText;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString decoded = QString::fromUtf8(bytes);
    QStringList lines = decoded.split(u'\n');
    for (QString &l : lines)
        if (l.endsWith(u'\r'))
            l.chop(1);

    auto fail = [error](qsizetype lineIndex, const QString &problem) {
        *error = QStringLiteral("line %1: %2").arg(lineIndex + 1).arg(problem);
        return false;
    };

    qsizetype i = 0;
    while (i < lines.size() && lines[i].trimmed().isEmpty())
        ++i;
    if (i == lines.size() || lines[i].trimmed() != QLatin1String("REGEDIT4"))
        return fail(i < lines.size() ? i : 0, QStringLiteral("the file does not start with \"REGEDIT4\""));
    ++i;

    QString rootPath;
    QList<SavedKey> result;
    for (; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            if (close < 0)
                return fail(i, QStringLiteral("a key line without \"]\""));
            const QString path = line.mid(1, close - 1);
            if (path.isEmpty() || path.startsWith(u'-'))
                return fail(i, QStringLiteral("a key deletion or an empty key name"));
            SavedKey key;
            if (result.isEmpty()) {
                rootPath = path;
            } else if (path.compare(rootPath, Qt::CaseInsensitive) == 0) {
                key.relativePath.clear();
            } else if (path.size() > rootPath.size() + 1
                       && path.startsWith(rootPath + u'\\', Qt::CaseInsensitive)) {
                key.relativePath = path.mid(rootPath.size() + 1);
            } else {
                return fail(i, QStringLiteral("key \"%1\" is not below the saved key \"%2\"").arg(path, rootPath));
            }
            result.append(key);
            continue;
        }
        if (result.isEmpty())
            return fail(i, QStringLiteral("a value before the first key"));

        SavedValue value;
        qsizetype pos = 0;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (!readQuoted(line, pos, &value.name)) {
            return fail(i, QStringLiteral("a value name that is not a closed quoted text"));
        }
        while (pos < line.size() && line[pos] == u' ')
            ++pos;
        if (pos >= line.size() || line[pos] != u'=')
            return fail(i, QStringLiteral("\"=\" missing after the value name"));
        ++pos;
        while (pos < line.size() && line[pos] == u' ')
            ++pos;
        const QString rest = line.mid(pos);

        if (rest.startsWith(u'"')) {
            QString text;
            qsizetype p = 0;
            if (!readQuoted(rest, p, &text) || !rest.mid(p).trimmed().isEmpty())
                return fail(i, QStringLiteral("a string value that is not a closed quoted text"));
            value.type = kString;
            value.data = text.toUtf8();
            value.data.append('\0');
        } else if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            bool ok = false;
            const QString digits = rest.mid(6).trimmed();
            const quint32 n = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8)
                return fail(i, QStringLiteral("a dword value that is not 1 to 8 hexadecimal digits"));
            value.type = kDword;
            value.data = QByteArray(4, '\0');
            for (int b = 0; b < 4; ++b)
                value.data[b] = char((n >> (8 * b)) & 0xFF);
        } else if (rest.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            const qsizetype colon = rest.indexOf(u':');
            if (colon < 0)
                return fail(i, QStringLiteral("\":\" missing after \"hex\""));
            const QString head = rest.left(colon);
            if (head.compare(QLatin1String("hex"), Qt::CaseInsensitive) == 0) {
                value.type = kBinary;
            } else if (head.size() > 5 && head.startsWith(QLatin1String("hex("), Qt::CaseInsensitive)
                       && head.endsWith(u')')) {
                bool ok = false;
                value.type = head.mid(4, head.size() - 5).toUInt(&ok, 16);
                if (!ok)
                    return fail(i, QStringLiteral("a value type that is not hexadecimal"));
            } else {
                return fail(i, QStringLiteral("an unknown value form \"%1\"").arg(head));
            }
            QString hex = rest.mid(colon + 1).trimmed();
            while (hex.endsWith(u'\\')) {
                hex.chop(1);
                if (++i >= lines.size())
                    return fail(i - 1, QStringLiteral("a continued hex value at the end of the file"));
                hex += lines[i].trimmed();
            }
            if (!readHexBytes(hex, &value.data))
                return fail(i, QStringLiteral("a hex value with a byte that is not two hexadecimal digits"));
        } else {
            return fail(i, QStringLiteral("a value that is neither a quoted text, dword: nor hex:"));
        }
        result.last().values.append(value);
    }
    if (result.isEmpty())
        return fail(lines.size() - 1, QStringLiteral("no key in the file"));
    *keys = result;
    return true;
}

}  // namespace pembry::registry
