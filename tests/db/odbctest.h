#pragma once
#include "platform/db/dberror.h"
#include "platform/db/odbcbackend.h"
#include "support/odbcconfiguration.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
namespace {
// Every table row has a name; a failing row prints as it.
template<typename Row> requires requires(const Row &row) { row.name; }
void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }
} // namespace

// The error a call raised; a test failure when it raised none.
inline VbError errorOf(const std::function<void()> &call)
{
    try { call(); } catch (const VbError &error) { return error; }
    ADD_FAILURE() << "no error was raised";
    return VbError(0, QString());
}
inline std::string describedError(const std::function<void()> &call) { return errorOf(call).description().toStdString(); }
// The number of the error a call raised, 0 for none.
inline int errorNumber(const std::function<void()> &call) { try { call(); } catch (const VbError &error) { return error.number(); } return 0; }
inline constexpr auto rowName = [](const auto &row) { return std::string(row.param.name); };

// The test program's own ODBC configuration: an odbcinst.ini in a temporary folder naming the SQLite ODBC
// driver as "OvSQLite3", with ODBCSYSINI and ODBCINI pointing there before the first ODBC call, so the
// machine's configuration is neither read nor written.
struct OdbcConfiguration : ::testing::Environment {
    void SetUp() override
    {
        static QTemporaryDir folder;
        const QString problem = useOwnOdbcConfiguration(folder.path(), QStringLiteral("OvSQLite3"));
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
};
// Registered before main runs (once for the program), so it is in place before any test opens a connection.
inline ::testing::Environment *const odbcConfiguration = ::testing::AddGlobalTestEnvironment(new OdbcConfiguration);

// A fresh database file per test, opened through the SQLite ODBC driver.
class OdbcTest : public ::testing::Test
{
protected:
    [[nodiscard]] QString databasePath() const { return m_dir.filePath(QStringLiteral("odbc.db")); }
    [[nodiscard]] QString connectionString() const { return QStringLiteral("Driver=OvSQLite3;Database=%1").arg(databasePath()); }
    [[nodiscard]] std::unique_ptr<OdbcBackend> open(const OdbcOptions &options = {}, const OdbcApi &api = {}) const { return OdbcBackend::open(connectionString(), options, api); }
    // The first column of a recordset's rows, or of a query's read through the backend under test.
    static std::vector<Variant> column(Recordset &rs)
    {
        std::vector<Variant> values;
        for (; !rs.eof(); rs.moveNext()) values.push_back(rs.field(0));
        return values;
    }
    static std::vector<Variant> column(OdbcBackend &backend, const QString &sql) { return column(*backend.openRecordset(sql, CursorType::ForwardOnly)); }
    QTemporaryDir m_dir;
};
} // namespace Ostraven::Testing
