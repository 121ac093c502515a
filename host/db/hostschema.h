#pragma once

#include <QString>

#include <span>

namespace Ostraven {

class SqliteFile;

// A stored procedure of the host database: its name, its parameters in call order ("@Name",
// " OUTPUT" after an output one) and its body (SQLite statements separated by ";").
struct ProcedureDefinition {
    const char *name;
    const char *parameters;
    const char *body;
};

// The host database's tables, the archive view and the stored procedures, as the host creates them
// in a new database. The texts live in the program so that the host needs no files beside it.
class HostSchema
{
public:
    [[nodiscard]] static QString tablesScript();
    [[nodiscard]] static std::span<const ProcedureDefinition> procedures();

    // Creates every table, view and procedure in an empty database.
    static void create(SqliteFile &file);
};

} // namespace Ostraven
