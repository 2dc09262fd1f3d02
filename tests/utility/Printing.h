#pragma once
// Readable GoogleTest output for the library's value types.

#include "utility/Variant.h"

#include <QString>
#include <ostream>

#include "QtPrinting.h"

namespace pembry {
inline void PrintTo(const Variant &value, std::ostream *out)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
        *out << "Empty";
        return;
    case Variant::Kind::Null:
        *out << "Null";
        return;
    case Variant::Kind::Array: {
        *out << "Array(";
        const char *separator = "";
        for (const Variant &element : value.toArray()) {
            *out << separator;
            PrintTo(element, out);
            separator = ", ";
        }
        *out << ')';
        return;
    }
    default:
        *out << "Variant(" << int(value.kind()) << ": " << value.toString().toStdString() << ')';
    }
}
}  // namespace pembry
