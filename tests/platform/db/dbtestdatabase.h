#pragma once
#include "../platformtest.h"
#include "platform/db/connection.h"

namespace Ostraven::Testing {
// A private in-memory database with a small schema shaped like the host's: an event table behind an
// archive view, filter rows, profile rows, time zones, and a few stored procedures.
class DbTestDatabase : public ::testing::Test
{
protected:
    void SetUp() override;
    [[nodiscard]] Variant scalar(const QString &sql) { return db->openRecordset(sql)->field(0); }
    [[nodiscard]] qint64 count(const QString &table) { return CLng(scalar("Select Count(*) From " + table)); }
    [[nodiscard]] std::vector<Variant> column(const QString &sql); // the rows' first column, in order
    void addProcedure(const QString &name, const QString &parameters, const QString &body);
    ConnectionPtr db;
};

// Event numbers as a column reads them.
inline std::vector<Variant> ids(std::initializer_list<qint32> values) { return std::vector<Variant>(values.begin(), values.end()); }

// A command with its parameters, each given as name, direction and value.
struct CommandParameter { const char *name; ParameterDirection direction; Variant value = {}; };
constexpr ParameterDirection In = ParameterDirection::Input, Out = ParameterDirection::Output;
inline Command command(const QString &procedure, std::initializer_list<CommandParameter> parameters)
{
    Command result(procedure);
    for (const CommandParameter &parameter : parameters) result.append(parameter.name, parameter.direction, parameter.value);
    return result;
}
} // namespace Ostraven::Testing
