#pragma once
#include "platform/db/odbcbackend.h"
#include "platform/variant.h"
#include "platform/vberror.h"
#include <QDir>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <functional>
#include <ostream>

namespace Ostraven {
// Values print as "Type:text", so a failed comparison says what came back.
inline void PrintTo(const Variant &value, std::ostream *out)
{
    *out << value.typeName().toStdString();
    if (!value.isNull() && !value.isEmpty() && !value.isObject()) *out << ':' << CStr(value).toStdString();
}
} // namespace Ostraven

namespace Ostraven::Testing {
using ::testing::HasSubstr;

// The error a call raised; a test failure when it raised none.
inline VbError errorOf(const std::function<void()> &call)
{
    try { call(); } catch (const VbError &error) { return error; }
    ADD_FAILURE() << "no error was raised";
    return VbError(0, QString());
}
inline std::string describedError(const std::function<void()> &call) { return errorOf(call).description().toStdString(); }
inline int errorNumber(const std::function<void()> &call)
{
    try { call(); } catch (const VbError &error) { return error.number(); }
    return 0;
}
inline constexpr auto rowName = [](const auto &row) { return std::string(row.param.name); };

// The test program's own ODBC configuration: an odbcinst.ini in a temporary folder naming the SQLite ODBC
// driver as "OvSQLite3", with ODBCSYSINI and ODBCINI pointing there before the first ODBC call, so the
// machine's configuration is neither read nor written.
class OdbcConfiguration : public ::testing::Environment
{
public:
    void SetUp() override;
    [[nodiscard]] static QString driverName() { return QStringLiteral("OvSQLite3"); }
};

// A fresh database file per test, opened through the SQLite ODBC driver.
class OdbcTest : public ::testing::Test
{
protected:
    [[nodiscard]] QString databasePath() const { return m_dir.filePath(QStringLiteral("odbc.db")); }
    [[nodiscard]] QString connectionString() const
    {
        return QStringLiteral("Driver=%1;Database=%2").arg(OdbcConfiguration::driverName(), databasePath());
    }
    [[nodiscard]] std::unique_ptr<OdbcBackend> open(const OdbcOptions &options = {}, const OdbcApi &api = {}) const
    {
        return OdbcBackend::open(connectionString(), options, api);
    }
    // The column of a query's rows, read through the backend under test.
    static std::vector<Variant> column(OdbcBackend &backend, const QString &sql, int index = 0);
    QTemporaryDir m_dir;
};
} // namespace Ostraven::Testing
