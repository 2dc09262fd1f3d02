#pragma once
// How a call of the registry store ends: the Windows code it returns, and the
// sentence lastErrorText() gives for it on the calling thread.

#include "utility/internal/RegistryStore.h"

namespace pembry::registry::store {

// Keeps text as the thread's last error and returns code.
qint32 fail(qint32 code, const QString &text);
// Clears the thread's last error and returns ERROR_SUCCESS.
qint32 succeed();

}  // namespace pembry::registry::store
