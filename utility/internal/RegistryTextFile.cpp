#include "utility/internal/RegistryTextFile.h"

#include <QBuffer>
#include <QByteArrayView>
#include <QIODevice>

#include <algorithm>

namespace pembry::registry {

namespace {

constexpr quint32 kString = 1;
constexpr quint32 kDword = 4;
constexpr quint32 kBinary = 3;
constexpr int kHexLineWidth = 77;
constexpr qint64 kReadChunk = 64 * 1024;
constexpr char kEndLine[] = "; end of saved key";

bool isHexDigit(int c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(int c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

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
    text += QLatin1String("\r\n") + QLatin1String(kEndLine) + QLatin1String("\r\n");
    return text.toUtf8();
}

SavedKeyReader::SavedKeyReader(QIODevice *device) : m_device(device)
{
    if (peek() == 0xEF && m_buffer.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

int SavedKeyReader::peek()
{
    if (m_pos == m_buffer.size()) {
        m_buffer = m_device->read(kReadChunk);
        m_pos = 0;
        if (m_buffer.isEmpty())
            return -1;
    }
    return quint8(m_buffer[m_pos]);
}

int SavedKeyReader::get()
{
    const int c = peek();
    if (c >= 0) {
        ++m_pos;
        if (c == '\n')
            ++m_line;
    }
    return c;
}

// Spaces, tabs and the carriage return of a CR LF line end.
void SavedKeyReader::skipBlanks()
{
    for (int c = peek(); c == ' ' || c == '\t' || c == '\r'; c = peek())
        get();
}

bool SavedKeyReader::atLineEnd()
{
    skipBlanks();
    const int c = peek();
    if (c == '\n')
        get();
    return c == '\n' || c < 0;
}

QByteArray SavedKeyReader::restOfLine()
{
    QByteArray line;
    for (int c = peek(); c >= 0 && c != '\n'; c = peek())
        line += char(get());
    get();
    return line.trimmed();
}

SavedKeyReader::Entry SavedKeyReader::problem(const QString &what)
{
    return problemAt(m_line, what);
}

SavedKeyReader::Entry SavedKeyReader::problemAt(qint64 line, const QString &what)
{
    m_error = QStringLiteral("line %1: %2").arg(line).arg(what);
    return Entry::Problem;
}

SavedKeyReader::Entry SavedKeyReader::next()
{
    for (;;) {
        skipBlanks();
        m_entryLine = m_line;
        const int c = peek();
        if (c < 0) {
            if (!m_sawHeader)
                return problem(QStringLiteral("the file does not start with \"REGEDIT4\""));
            if (!m_sawEnd)
                return problem(QStringLiteral("the file ends before its closing line \"%1\": it is incomplete")
                                   .arg(QLatin1String(kEndLine)));
            return Entry::End;
        }
        if (c == '\n') {
            get();
            continue;
        }
        if (m_sawEnd)
            return problem(QStringLiteral("text after the closing line \"%1\"").arg(QLatin1String(kEndLine)));
        if (!m_sawHeader) {
            if (restOfLine() != "REGEDIT4")
                return problemAt(m_entryLine, QStringLiteral("the file does not start with \"REGEDIT4\""));
            m_sawHeader = true;
            continue;
        }
        if (c == ';') {
            if (restOfLine().mid(1).trimmed().compare(QByteArray(kEndLine + 2), Qt::CaseInsensitive) != 0)
                continue;   // a comment
            if (!m_sawKey)
                return problemAt(m_entryLine, QStringLiteral("no key in the file"));
            m_sawEnd = true;
            continue;
        }
        if (c == '[')
            return readKey();
        if (!m_sawKey)
            return problem(QStringLiteral("a value before the first key"));
        return readValue();
    }
}

SavedKeyReader::Entry SavedKeyReader::readKey()
{
    const QByteArray line = restOfLine();
    if (!line.endsWith(']'))
        return problemAt(m_entryLine, QStringLiteral("a key line without \"]\""));
    const QByteArray bytes = line.mid(1, line.size() - 2);
    if (!QByteArrayView(bytes).isValidUtf8())
        return problemAt(m_entryLine, QStringLiteral("a key name that is not UTF-8 text"));
    const QString path = QString::fromUtf8(bytes);
    if (path.isEmpty() || path.startsWith(u'-'))
        return problemAt(m_entryLine, QStringLiteral("a key deletion or an empty key name"));
    if (!m_sawKey) {
        m_rootPath = path;
        m_keyPath.clear();
    } else if (path.compare(m_rootPath, Qt::CaseInsensitive) == 0) {
        m_keyPath.clear();
    } else if (path.size() > m_rootPath.size() + 1 && path.startsWith(m_rootPath + u'\\', Qt::CaseInsensitive)) {
        m_keyPath = path.mid(m_rootPath.size() + 1);
    } else {
        return problemAt(m_entryLine,
                         QStringLiteral("key \"%1\" is not below the saved key \"%2\"").arg(path, m_rootPath));
    }
    m_sawKey = true;
    return Entry::Key;
}

SavedKeyReader::Entry SavedKeyReader::readValue()
{
    m_value = SavedValue();
    if (peek() == '@') {
        get();
    } else {
        QByteArray name;
        if (!readQuoted(&name))
            return Entry::Problem;
        m_value.name = QString::fromUtf8(name);
    }
    skipBlanks();
    if (peek() != '=')
        return problem(QStringLiteral("\"=\" missing after the value name"));
    get();
    skipBlanks();
    if (peek() == '"') {
        if (!readQuoted(&m_value.data))
            return Entry::Problem;
        if (!atLineEnd())
            return problem(QStringLiteral("text after a string value"));
        m_value.type = kString;
        m_value.data.append('\0');
        return Entry::Value;
    }
    QByteArray form;
    for (int c = peek(); c >= 0 && c != ':' && c != '\n' && form.size() < 16; c = peek())
        form += char(get());
    if (peek() != ':')
        return problem(QStringLiteral("a value that is neither a quoted text, dword: nor hex:"));
    get();
    if (form.compare("dword", Qt::CaseInsensitive) == 0)
        return readDword() ? Entry::Value : Entry::Problem;
    if (form.compare("hex", Qt::CaseInsensitive) == 0) {
        m_value.type = kBinary;
    } else if (form.size() > 5 && form.size() <= 13 && form.left(4).compare("hex(", Qt::CaseInsensitive) == 0
               && form.endsWith(')')) {
        const QByteArray digits = form.mid(4, form.size() - 5);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return isHexDigit(c); }))
            return problem(QStringLiteral("a value type that is not hexadecimal"));
        m_value.type = digits.toUInt(nullptr, 16);
    } else {
        return problem(QStringLiteral("an unknown value form \"%1\"").arg(QString::fromUtf8(form)));
    }
    return readHex() ? Entry::Value : Entry::Problem;
}

// A quoted text on one line, as UTF-8 bytes; the only escapes are \\, \" and
// \x followed by two hexadecimal digits.
bool SavedKeyReader::readQuoted(QByteArray *out)
{
    if (peek() != '"') {
        problem(QStringLiteral("a value name that is not a closed quoted text"));
        return false;
    }
    get();
    out->clear();
    for (;;) {
        int c = peek();
        if (c < 0 || c == '\n') {
            problem(QStringLiteral("a quoted text that is not closed on its line"));
            return false;
        }
        get();
        if (c == '"')
            break;
        if (c != '\\') {
            out->append(char(c));
            continue;
        }
        c = peek();
        if (c == '\\' || c == '"') {
            out->append(char(get()));
        } else if (c == 'x') {
            get();
            const int high = isHexDigit(peek()) ? get() : -1;
            const int low = high >= 0 && isHexDigit(peek()) ? get() : -1;
            if (low < 0) {
                problem(QStringLiteral("an escape \\x without two hexadecimal digits"));
                return false;
            }
            out->append(QString(QChar(char16_t(hexValue(high) << 4 | hexValue(low)))).toUtf8());
        } else {
            problem(QStringLiteral("an unknown escape in a quoted text (only \\\\, \\\" and \\xHH are known)"));
            return false;
        }
    }
    if (!QByteArrayView(*out).isValidUtf8()) {
        problem(QStringLiteral("a quoted text that is not UTF-8"));
        return false;
    }
    return true;
}

bool SavedKeyReader::readDword()
{
    quint32 n = 0;
    int digits = 0;
    for (; isHexDigit(peek()); ++digits)
        n = n << 4 | quint32(hexValue(get()));
    if (digits != 8 || !atLineEnd()) {
        problem(QStringLiteral("a dword value that is not eight hexadecimal digits"));
        return false;
    }
    m_value.type = kDword;
    m_value.data = QByteArray(4, '\0');
    for (int b = 0; b < 4; ++b)
        m_value.data[b] = char((n >> (8 * b)) & 0xFF);
    return true;
}

// Bytes of two hexadecimal digits each, separated by commas; at the start or
// after a comma, a backslash continues the value on the next line.
bool SavedKeyReader::readHex()
{
    enum class At { Start, Byte, Comma } at = At::Start;
    const auto refuse = [this](const QString &what) {
        problem(what);
        return false;
    };
    for (;;) {
        skipBlanks();
        const int c = peek();
        if (c < 0 || c == '\n') {
            if (at == At::Comma)
                return refuse(QStringLiteral("a hex value that ends with a comma"));
            get();
            return true;
        }
        if (c == '\\' && at != At::Byte) {
            get();
            skipBlanks();
            if (peek() < 0)
                return refuse(QStringLiteral("a continued hex value at the end of the file"));
            if (peek() != '\n')
                return refuse(QStringLiteral("text after the \"\\\" that continues a hex value"));
            get();
            skipBlanks();
            if (!isHexDigit(peek()))
                return refuse(QStringLiteral("a continued hex value that this line does not continue"));
            continue;
        }
        if (c == ',' && at == At::Byte) {
            get();
            at = At::Comma;
            continue;
        }
        if (at == At::Byte || !isHexDigit(c))
            return refuse(QStringLiteral("a hex value with a byte that is not two hexadecimal digits"));
        get();
        if (!isHexDigit(peek()))
            return refuse(QStringLiteral("a hex value with a byte that is not two hexadecimal digits"));
        m_value.data.append(char(hexValue(c) << 4 | hexValue(get())));
        at = At::Byte;
    }
}

bool parseSavedKeys(const QByteArray &text, QList<SavedKey> *keys, QString *error)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    SavedKeyReader reader(&buffer);
    QList<SavedKey> result;
    for (;;) {
        switch (reader.next()) {
        case SavedKeyReader::Entry::Key:
            result.append(SavedKey{reader.keyPath(), {}});
            break;
        case SavedKeyReader::Entry::Value:
            result.last().values.append(reader.value());
            break;
        case SavedKeyReader::Entry::End:
            *keys = result;
            return true;
        case SavedKeyReader::Entry::Problem:
            *error = reader.error();
            return false;
        }
    }
}

}  // namespace pembry::registry
