#pragma once

#include "memoryrecordset.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Ostraven {

// What one run of a statement gave: its columns and every row, read in full, and the rows it changed.
struct DriverResult {
    QStringList names;
    std::vector<MemoryRecordset::Row> rows;
    bool returnsRows = false;
    qint64 changes = 0;
};

// A statement compiled by a driver, run again and again with new values. Parameters are numbered from 1.
class DriverStatement
{
public:
    virtual ~DriverStatement() = default;

    [[nodiscard]] virtual int parameterCount() const = 0;
    // The parameter as the text names it ("@Name", ":Name"); empty for an unnamed "?".
    [[nodiscard]] virtual QString parameterName(int index) const = 0;
    // Whether running it leaves the database as it was (a transaction statement counts as reading only).
    [[nodiscard]] virtual bool readsOnly() const = 0;
    // Whether it gives rows at all; one that gives none may still change what later statements read.
    [[nodiscard]] virtual bool returnsRows() const = 0;
    virtual void bind(int index, const Variant &value) = 0;
    // Runs the statement to its end and reads its rows. stillCurrent, when given, is asked once the run's
    // read has begun; false ends the run and gives nothing.
    [[nodiscard]] virtual std::optional<DriverResult> run(const std::function<bool()> &stillCurrent = {}) = 0;
    // Back before the first row with nothing bound, ready for the next run.
    virtual void reset() noexcept = 0;
};

using DriverStatementPtr = std::unique_ptr<DriverStatement>;

// A transport to a database that speaks SQLite's dialect: the SQLite C API on a file, or an ODBC data
// source such as the SQLite ODBC driver. The T-SQL emulation runs above it and sends it only statements it
// has rewritten itself, one at a time.
class SqlDriver
{
public:
    virtual ~SqlDriver() = default;

    // Raises VbError when the connection is closed or can no longer be used.
    virtual void requireOpen() = 0;
    // Null for a text of blanks and comments only; raises VbError for one of several statements.
    [[nodiscard]] virtual DriverStatementPtr prepare(const QString &text) = 0;
    // Transaction and savepoint statements; not traced, since the caller never wrote them.
    virtual void executePlain(const QString &text) = 0;
    // False once a transaction has ended on its own (SQLite ends one on a full disk); a driver that
    // cannot tell answers true, and the rollback that follows then fails quietly.
    [[nodiscard]] virtual bool inTransaction() const { return true; }
    // Moves whenever another connection or program commits to the database.
    [[nodiscard]] virtual unsigned int dataVersion() = 0;
    // The newest rows of a union view read faster than SQLite reads them as written; nothing when this
    // driver cannot, or the statement is not such a read. known() is asked first, with the caller's text
    // only; planned() with its rewrite as well.
    [[nodiscard]] virtual std::optional<DriverResult> readKnownViewTop(const QString &) { return std::nullopt; }
    [[nodiscard]] virtual std::optional<DriverResult> readViewTop(const QString &, const QString &)
    {
        return std::nullopt;
    }
    // Statements the driver keeps for itself are let go (before the connection closes, or its schema moves).
    virtual void forgetStatements() {}
    // A host action is over (see Connection::endUserAction).
    virtual void endUserAction() {}
    [[nodiscard]] virtual bool isOpen() const = 0;
    virtual void close() = 0;
};

} // namespace Ostraven
