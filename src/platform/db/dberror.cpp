#include "dberror.h"

namespace Ostraven {

VbError DbError::statement(const QString &description)
{
    return VbError(StatementFailed, description, source());
}

VbError DbError::openFailed(const QString &description)
{
    return VbError(OpenFailed, description, source());
}

VbError DbError::noCurrentRecord()
{
    return VbError(NoCurrentRecord,
                   QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                  "Requested operation requires a current record."),
                   source());
}

VbError DbError::itemNotFound(const QString &item)
{
    return VbError(ItemNotFound,
                   QStringLiteral("Item '%1' cannot be found in the collection corresponding to the "
                                  "requested name or ordinal.")
                       .arg(item),
                   source());
}

VbError DbError::closed()
{
    return VbError(ObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."),
                   source());
}

VbError DbError::cannotFetchBackwards()
{
    return VbError(CannotFetchBackwards,
                   QStringLiteral("The recordset is forward-only and cannot move back to its first row."),
                   source());
}

} // namespace Ostraven
