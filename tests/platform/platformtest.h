#pragma once
#include "platform/vberror.h"
#include <gtest/gtest.h>
#include <functional>

// The error a call raised; a test failure when it raised none.
inline Ostraven::VbError errorOf(const std::function<void()> &call)
{
    try { call(); } catch (const Ostraven::VbError &error) { return error; }
    ADD_FAILURE() << "no error was raised";
    return Ostraven::VbError(0, QString());
}

// The error number a call raised, 0 when it returned normally.
inline int errorNumber(const std::function<void()> &call)
{
    try { call(); } catch (const Ostraven::VbError &error) { return error.number(); }
    return 0;
}
