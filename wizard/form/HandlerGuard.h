#pragma once
// The window's error routing for its handlers: an error a handler does not
// answer itself is reported through the error handler under
// "frmWizardMain - <routine>" and never reaches Qt's event loop.

#include <QObject>
#include <QString>

namespace tabulo {

// Reports the error being handled; call inside a catch block only.
void reportFormError(const QString &routine);

// Runs `body`; an error is reported under `routine`.
template <class Body>
void guarded(const char *routine, Body &&body)
{
    try {
        body();
    } catch (...) {
        reportFormError(QLatin1String(routine));
    }
}

// Connects `signal` of `sender` to `handler`, which runs guarded under
// `routine` (the signal's arguments are not passed on).
template <class Sender, class Signal, class Handler>
void connectGuarded(Sender *sender, Signal signal, QObject *context, const char *routine, Handler handler)
{
    QObject::connect(sender, signal, context, [routine, handler] { guarded(routine, handler); });
}

}  // namespace tabulo
