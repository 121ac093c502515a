#pragma once

#include "connection.h"

#include <QFile>
#include <QString>

#include <memory>

namespace Ostraven {

// Appends every statement text sent to the database to a file, one statement per line, exactly as the
// caller wrote it (line breaks inside a statement become blanks, so that one line stays one statement).
// Stored-procedure commands appear as "EXEC name @A=value, @B=value OUTPUT".
class StatementTrace
{
public:
    // Empty stops tracing. Raises VbError when the file cannot be opened for appending.
    void setFile(const QString &path);
    void write(const QString &statement);

    // The line a stored-procedure command is traced as, whichever backend runs it: the values appear as
    // literals, so the trace shows what was asked for rather than how it was bound.
    [[nodiscard]] static QString commandText(Command &command);

private:
    std::unique_ptr<QFile> m_file;
};

} // namespace Ostraven
