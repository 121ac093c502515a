#pragma once

#include "sqllexer.h"

#include "platform/variant.h"

#include <QString>

#include <optional>
#include <vector>

namespace Ostraven {

// A stored procedure as the database keeps it and as a statement text calls it. The host database holds
// its procedures in
//     CREATE TABLE ov_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, parameters TEXT NOT NULL,
//                                 body TEXT NOT NULL)
// - parameters: the parameters in call order, comma-separated, each "@Name" optionally followed by
//   " OUTPUT" ("@SiteID, @GroupName, @ReturnedID OUTPUT, @OperatorID"); empty for none.
// - body: SQLite statements separated by ";", using the parameters as named parameters (@Name, letter case
//   ignored); a name that is not a parameter fails the call. They run in order inside one savepoint that is
//   rolled back when any of them fails. The call returns the rows of the last statement that returns rows;
//   each output parameter takes the same-named column of that result's first row (Null without a row).
// A call passes literals (numbers, '..', N'..', NULL) by position and then, optionally, by name
// ("@C = 5"), as SQL Server's EXEC does; missing arguments are Null.
class StoredProcedure
{
public:
    struct ParameterDefinition {
        QString name; // without "@"
        bool output = false;
    };

    struct Argument {
        QString name; // without "@"; empty for a positional argument
        Variant value;
    };

    struct Call {
        QString procedure;
        std::vector<Argument> arguments;
    };

    StoredProcedure(QString name, const QString &parameterList, QString body);

    [[nodiscard]] const QString &name() const { return m_name; }
    [[nodiscard]] const std::vector<ParameterDefinition> &parameters() const { return m_parameters; }
    [[nodiscard]] const QString &body() const { return m_body; }
    // The position of the named parameter ("@" optional, letter case ignored), or -1.
    [[nodiscard]] int indexOf(QString name) const;

    // One value per parameter, in definition order: missing arguments are Null. Raises VbError for too
    // many arguments, an unknown name, or a positional argument after a named one.
    [[nodiscard]] std::vector<Variant> bind(const std::vector<Argument> &arguments) const;

    // Reads "EXEC name args", "EXECUTE name args", or "name args" when the first word begins no ordinary
    // statement. Gives nothing for any other statement; raises VbError for a call with malformed arguments.
    [[nodiscard]] static std::optional<Call> parseCall(const std::vector<SqlToken> &tokens);

    // The literal form of a value as the trace shows it: NULL, numbers in decimal, Booleans as 1 or 0,
    // texts and dates between apostrophes.
    [[nodiscard]] static QString literal(const Variant &value);
    // The stored form of a date: "yyyy-MM-dd HH:mm:ss", with ".fff" when there are milliseconds.
    [[nodiscard]] static QString isoText(const Date &date);

private:
    QString m_name;
    std::vector<ParameterDefinition> m_parameters;
    QString m_body;
};

} // namespace Ostraven
