#pragma once
// The enumerations that CRegistryBasic and CRegistryAdvanced publish.

#include <QtGlobal>

namespace pembry {

enum fisEnumRootValues : quint32 {
    HkeyClassRoot = 0x80000000u,
    HkeyCurrentUser = 0x80000001u,
    HKeyLocalMachine = 0x80000002u,
    HkeyUsers = 0x80000003u,
    HkeyCurrentConfig = 0x80000005u,
    HkeyDynData = 0x80000006u,
};

enum fisEnumRegTypes : qint32 {
    RegNone = 0,
    RegSz = 1,
    RegExpandSz = 2,
    RegBinary = 3,
    RegDword = 4,
    RegDwordLittleEndian = 4,
    RegDwordBigEndian = 5,
    RegLink = 6,
    RegMultiSz = 7,
    RegResourceList = 8,
    RegFulResourceDesc = 9,
};

// Error numbers: the automation error base 0x80040000 plus 513 and upwards.
enum fisEnumRegErrors : qint32 {
    RegErrorOpenFail = qint32(0x80040201u),
    RegErrorCloseFaiL = qint32(0x80040202u),
    RegErrorCreateFail = qint32(0x80040203u),
    RegErrorReadFail = qint32(0x80040204u),
    RegErrorNoKey = qint32(0x80040205u),
    RegErrorNoSubKey = qint32(0x80040206u),
    RegErrorNoLetProperty = qint32(0x80040207u),
    RegErrorBinaryData = qint32(0x80040208u),
    RegNotMultistring = qint32(0x80040209u),
    REG_ERROR_UNKNOWN = qint32(0x80040209u),
};

// The automation error base that Windows codes are added to.
constexpr qint32 RegAutomationErrorBase = qint32(0x80040000u);

}  // namespace pembry
