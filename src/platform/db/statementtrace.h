#pragma once

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

private:
    std::unique_ptr<QFile> m_file;
};

} // namespace Ostraven
