#pragma once
// The wizard library's shared instances of the Pembry31 helper classes: one
// of each, created on first use and kept for the life of the library.

#include <QString>

namespace pembry {
class TextHelper;
class OS32Helper;
class Win32API;
class VBObjectHelper;
}  // namespace pembry

namespace tabulo {

pembry::TextHelper &textHelper();
pembry::OS32Helper &os32Helper();
pembry::Win32API &win32API();
pembry::VBObjectHelper &vbObjectHelper();

// The title of the wizard library's message boxes.
inline QString libraryTitle() { return QStringLiteral("Tabulo Wizard"); }

}  // namespace tabulo
