#pragma once
// Windows-1252, the code page Basic modules are written in on Western
// systems. A small table of its own, so that it works on every Qt build
// (Qt finds this code page only through ICU).

#include <QByteArray>
#include <QString>
#include <QStringView>

class QIODevice;

namespace tabulo {

// True when Windows-1252 has a byte for this UTF-16 code unit.
bool fitsWindows1252(char16_t unit);

// The text in Windows-1252 bytes; a code unit the code page cannot hold
// becomes "?". Module text from ModuleWriter holds none of those.
QByteArray toWindows1252(QStringView text);

// Writes the text to `device` as toWindows1252() encodes it, a piece at a
// time, so that a long text never exists twice. False when the device
// refuses a write.
bool writeWindows1252(QIODevice &device, QStringView text);

}  // namespace tabulo
