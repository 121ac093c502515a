#pragma once

#include "platform/variant.h"
#include "platform/vberror.h"

#include <QString>

#include <exception>
#include <new>
#include <utility>

namespace Ostraven {

// Where a routine's caught failure goes. A label with a point ("FEvents.AddEvent") reports to the
// operator (log file, clipboard, critical box); a label with a colon ("FMenu: Form_Load") hands the
// failure to the host's LogError. The error-report module implements both.
class ErrorRoutes
{
public:
    virtual ~ErrorRoutes() = default;

    virtual void reportError(const QString &label, const VbError &error) = 0;
    // detail: the line of the failure, or a text of the routine's own that explains it.
    virtual void logToHost(const QString &label, const VbError &error, const Variant &detail) = 0;
};

namespace Detail {

// Anything that is not already a VbError becomes one, so a report always has a number and a text.
inline VbError asVbError(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const VbError &error) {
        return error;
    } catch (const std::bad_alloc &) {
        return VbError::fromNumber(7);
    } catch (const std::exception &error) {
        return VbError(51, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return VbError::fromNumber(51);
    }
}

} // namespace Detail

namespace Detail {

template <typename Body, typename Route>
bool runGuarded(Body &&body, Route &&route) noexcept
{
    try {
        body();
        return true;
    } catch (...) {
        const VbError error = asVbError(std::current_exception());
        try {
            route(error);
        } catch (...) {
            // A report never fails its caller.
        }
        return false;
    }
}

} // namespace Detail

// Runs a routine's body under its error handler. On a failure the body stops where it failed, the
// error is reported by the label's route and control returns to the routine, which then runs its
// closing steps and returns its result as it stood. Returns false when the body failed.
template <typename Body>
bool guarded(ErrorRoutes &routes, const QString &label, Body &&body) noexcept
{
    return Detail::runGuarded(std::forward<Body>(body), [&](const VbError &error) {
        if (label.contains(QLatin1Char(':')))
            routes.logToHost(label, error, Variant(qint32(error.line())));
        else
            routes.reportError(label, error);
    });
}

// The host route with a detail text of the routine's own instead of the line number.
template <typename Body>
bool guardedWithDetail(ErrorRoutes &routes, const QString &label, const Variant &detail, Body &&body) noexcept
{
    return Detail::runGuarded(std::forward<Body>(body),
                              [&](const VbError &error) { routes.logToHost(label, error, detail); });
}

// For the few routines that ignore their failures (resize, ReShow).
template <typename Body>
void ignoringErrors(Body &&body) noexcept
{
    try {
        body();
    } catch (...) {
    }
}

} // namespace Ostraven
