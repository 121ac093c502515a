#pragma once

#include "platform/db/connection.h"
#include "platform/vberror.h"

#include <gtest/gtest.h>

#include <functional>

namespace Ostraven::Testing {

// A private in-memory database with a small schema shaped like the host's: an event table behind an
// archive view, filter rows, profile rows, time zones, and a few stored procedures.
class DbTestDatabase : public ::testing::Test
{
protected:
    void SetUp() override;

    [[nodiscard]] Variant scalar(const QString &sql);
    [[nodiscard]] qint64 count(const QString &table);
    // The rows' first column, in order.
    [[nodiscard]] std::vector<Variant> column(const QString &sql, int index = 0);

    void addProcedure(const QString &name, const QString &parameters, const QString &body);

    ConnectionPtr db;
};

// The error a call raised; a test failure when it raised none.
VbError errorOf(const std::function<void()> &call);

} // namespace Ostraven::Testing
