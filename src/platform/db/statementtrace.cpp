#include "statementtrace.h"

#include "dberror.h"
#include "storedprocedure.h"

#include <QStringList>

namespace Ostraven {

void StatementTrace::setFile(const QString &path)
{
    m_file.reset();
    if (path.isEmpty())
        return;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        throw DbError::openFailed(
            QStringLiteral("Cannot open the statement trace file '%1': %2").arg(path, file->errorString()));
    }
    m_file = std::move(file);
}

void StatementTrace::write(const QString &statement)
{
    if (!m_file)
        return;
    QString line = statement;
    line.replace(QLatin1StringView("\r\n"), QLatin1StringView(" "));
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    m_file->write(line.toUtf8());
    m_file->write("\n");
    m_file->flush();
}

QString StatementTrace::commandText(Command &command)
{
    QStringList arguments;
    for (const Parameter &parameter : command.parameters()) {
        const QString name = parameter.name.startsWith(u'@') ? parameter.name : u'@' + parameter.name;
        QString argument = name + u'=' + StoredProcedure::literal(parameter.value);
        if (parameter.direction != ParameterDirection::Input)
            argument += QStringLiteral(" OUTPUT");
        arguments << argument;
    }
    const QString call = QStringLiteral("EXEC ") + command.procedureName();
    return arguments.isEmpty() ? call : call + u' ' + arguments.join(QStringLiteral(", "));
}

} // namespace Ostraven
