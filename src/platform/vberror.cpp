#include "vberror.h"

#include <QHash>

namespace Ostraven {

namespace {

QByteArray composeWhat(int number, const QString &description, const QString &source)
{
    return QStringLiteral("%1 (%2): %3").arg(source).arg(number).arg(description).toUtf8();
}

} // namespace

VbError::VbError(int number, QString description, QString source, int line)
    : m_number(number)
    , m_description(std::move(description))
    , m_source(std::move(source))
    , m_line(line)
    , m_what(composeWhat(m_number, m_description, m_source))
{
}

VbError VbError::fromNumber(int number, const QString &source)
{
    return VbError(number, standardDescription(number), source);
}

QString VbError::standardDescription(int number)
{
    static const QHash<int, QString> texts{
        {5, QStringLiteral("Invalid procedure call or argument")},
        {6, QStringLiteral("Overflow")},
        {7, QStringLiteral("Out of memory")},
        {9, QStringLiteral("Subscript out of range")},
        {11, QStringLiteral("Division by zero")},
        {13, QStringLiteral("Type mismatch")},
        {51, QStringLiteral("Internal error")},
        {53, QStringLiteral("File not found")},
        {70, QStringLiteral("Permission denied")},
        {91, QStringLiteral("Object variable or With block variable not set")},
        {94, QStringLiteral("Invalid use of Null")},
        {380, QStringLiteral("Invalid property value")},
        {424, QStringLiteral("Object required")},
        {429, QStringLiteral("ActiveX component can't create object")},
        {449, QStringLiteral("Argument not optional")},
        {457, QStringLiteral("This key is already associated with an element of this collection")},
        {438, QStringLiteral("Object doesn't support this property or method")},
        {3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                              "Requested operation requires a current record.")},
        {3265, QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                              "name or ordinal.")},
    };
    const auto found = texts.constFind(number);
    if (found != texts.constEnd())
        return *found;
    // The platform's own wording for numbers it has no text for.
    return QStringLiteral("Application-defined or object-defined error");
}

} // namespace Ostraven
