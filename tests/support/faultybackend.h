#pragma once

#include "platform/db/databasebackend.h"
#include "platform/db/sqlitedriver.h"
#include "platform/db/transactsqlemulation.h"

#include <memory>

namespace Ostraven::Testing {

// The host database with a fault on purpose: once armed, the k-th call after (statements, procedure
// calls and transaction steps, counted from 1) raises a database error instead of reaching the file,
// as a dropped connection or a full disk would. Every other call goes through to the real file.
class FaultyBackend : public DatabaseBackend
{
public:
    explicit FaultyBackend(const QString &path) : m_file(std::make_unique<TransactSqlEmulation>(SqliteDriver::open(path))) {}

    [[nodiscard]] static ConnectionPtr connect(const QString &path, FaultyBackend *&backend);

    void failAtCall(int k) { m_failAt = m_calls + k; }
    // Calls since the backend opened.
    [[nodiscard]] int calls() const { return m_calls; }

    [[nodiscard]] std::unique_ptr<Recordset> openRecordset(const QString &sql, CursorType cursor) override { count(); return m_file->openRecordset(sql, cursor); }
    qint64 execute(const QString &sql) override { count(); return m_file->execute(sql); }
    void execute(Command &command) override { count(); m_file->execute(command); }
    void setTraceFile(const QString &path) override { m_file->setTraceFile(path); }
    [[nodiscard]] bool isOpen() const override { return m_file->isOpen(); }
    void close() override { m_file->close(); }
    void beginTransaction() override { count(); m_file->beginTransaction(); }
    void commitTransaction() override;
    void rollbackTransaction() noexcept override { m_file->rollbackTransaction(); }

private:
    void count();

    std::unique_ptr<TransactSqlEmulation> m_file;
    int m_failAt = 0;
    int m_calls = 0;
};

} // namespace Ostraven::Testing
