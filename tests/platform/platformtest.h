#pragma once
#include "platform/vberror.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <functional>

// The error a call raised; a test failure when it raised none.
inline Ostraven::VbError errorOf(const std::function<void()> &call)
{
    try { call(); } catch (const Ostraven::VbError &error) { return error; }
    ADD_FAILURE() << "no error was raised";
    return Ostraven::VbError(0, QString());
}

// The description of the error a call raised, for matching with HasSubstr.
inline std::string describedError(const std::function<void()> &call) { return errorOf(call).description().toStdString(); }

// The error number a call raised, 0 when it returned normally.
inline int errorNumber(const std::function<void()> &call)
{
    try { call(); } catch (const Ostraven::VbError &error) { return error.number(); }
    return 0;
}

// Each call must raise the error number paired with it.
inline void expectErrors(const std::vector<std::pair<int, std::function<void()>>> &calls)
{
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(errorNumber(calls[i].second), calls[i].first) << "call " << i;
}

// Names the rows of a TEST_P table after their `name` field.
inline constexpr auto rowName = [](const auto &row) { return std::string(row.param.name); };

using ::testing::HasSubstr;
