#pragma once
// Basic's Variant: Empty (never assigned) and Null (no valid data) are two
// different states, besides Boolean, whole number, Double, String, Date and a
// one-dimensional array of Variants (lower bound 0).

#include <QDateTime>
#include <QList>
#include <QString>
#include <variant>

namespace pembry {

class Variant {
public:
    enum class Kind { Empty, Null, Boolean, Integer, Double, String, Date, Array };
    struct NullTag {};
    using Array = QList<Variant>;

    Variant() = default;                       // Empty
    static Variant null() { return Variant(NullTag{}); }
    Variant(NullTag) : m_value(NullTag{}) {}
    Variant(bool b) : m_value(b) {}
    Variant(int i) : m_value(qint64(i)) {}
    Variant(qint64 i) : m_value(i) {}
    Variant(double d) : m_value(d) {}
    Variant(const QString &s) : m_value(s) {}
    Variant(const char *s) : m_value(QString::fromUtf8(s)) {}
    Variant(const QDateTime &d) : m_value(d) {}
    Variant(const Array &a) : m_value(a) {}

    Kind kind() const { return Kind(m_value.index()); }
    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNull() const { return kind() == Kind::Null; }
    bool isArray() const { return kind() == Kind::Array; }
    // A number (Boolean, whole number, Double) or a text that reads as one.
    bool isNumeric() const;
    // Basic's IsDate: a Date, or a text that reads as a date (see dateFromText).
    bool isDate() const;

    // A date text as Basic's CDate reads it: ISO 8601 («2001-02-15»,
    // «2001-02-15T10:30:00»), month/day/year («2/15/2001», «2/15/01»), month
    // names in English («15 February 2001», «Feb 15, 2001»), each with an
    // optional time («10:30», «10:30:15», «10:30 PM»), or a time alone (on
    // 30 December 1899). Two-digit years 00-29 are 2000-2029. An invalid
    // QDateTime when the text is none of these.
    static QDateTime dateFromText(const QString &text);

    // Basic's conversions: CStr, CDbl, CLng, CBool. Null fails with error 94
    // ("Invalid use of Null"); a text that is not a number fails with 13.
    QString toString() const;
    double toDouble() const;
    qint64 toInteger() const;   // rounds half to even, as CLng does
    bool toBool() const;
    // CDate: a Date, a date text, or a serial number (days since 30 December
    // 1899, the time of day as the fraction; outside the years 100..9999 the
    // conversion overflows, error 6).
    QDateTime toDateTime() const;
    const Array &toArray() const;   // error 13 unless an array
    Array &array();                 // error 13 unless an array

    bool operator==(const Variant &other) const { return m_value == other.m_value; }

private:
    friend bool operator==(NullTag, NullTag) { return true; }
    std::variant<std::monostate, NullTag, bool, qint64, double, QString, QDateTime, Array> m_value;
};

}  // namespace pembry
