#include "archiveloader.h"

#include "model/eventnumbers.h"
#include "module/mpublic.h"

#include "errors/errorroutes.h"
#include "fevents.h"

#include "platform/db/sqlliteral.h"
#include "platform/desktop/desktopservices.h"

namespace Ostraven {

namespace {

// The host database writes a controller time in this year when the event had none.
constexpr int yearWithoutDate = 1800;
// Where a filter clause's condition starts: after its leading " Where ".
constexpr int clauseConditionStart = 7;

// The archive row as the text line the row insertion reads: the eight columns in order, then three
// zero fields and "*". A comma inside the description would shift every field after it, so it
// becomes a semicolon; second-family rows still carrying the first family's category name get the
// name the viewer colours and filters them by.
QString eventLine(const Recordset &row)
{
    const Variant controllerTime = row.field(0);
    QString category = CStr(row.field(4));
    if (EventNumbers::isSecondFamily(CDbl(row.field(3))))
        category.replace(QStringLiteral("KORA*GATE"), QStringLiteral("PELA*Bus"));
    QString description = CStr(row.field(5));
    description.replace(QLatin1Char(','), QLatin1Char(';'));

    const QStringList fields{
        CDate(controllerTime).year() == yearWithoutDate ? QString() : CStr(controllerTime),
        CStr(row.field(1)),
        CStr(row.field(2)),
        CStr(row.field(3)),
        category,
        description,
        CStr(row.field(6)),
        CStr(row.field(7)),
    };
    return fields.join(QLatin1Char(',')) + QStringLiteral(",0,0,0,*");
}

} // namespace

ArchiveLoader::ArchiveLoader(MPublic &module) : m_module(module) {}

ArchiveLoader::~ArchiveLoader()
{
    closeArchive();
}

// The window refuses to close while a load runs: a report shown during the replay lets the operator
// reach the window, and the replay still needs it.
bool ArchiveLoader::LoadArchivedEvents(QString &Condition)
{
    bool loaded = false;
    m_module.view.closeGuard = true;
    guarded(m_module.errors(), QStringLiteral("Event Viewer: LoadArchivedEvents"), [&] {
        m_module.filter.RoutingEnabled = false;
        readRoutingSetting();

        if (m_module.filter.FilterActive) {
            if (!Condition.isEmpty())
                Condition += QStringLiteral(" AND ") + m_module.filter.FilterClause.mid(clauseConditionStart);
            else
                Condition = m_module.filter.FilterClause;
        }

        m_archive = m_module.db().openRecordset(archiveStatement(Condition), CursorType::Static);
        loaded = FillWithArchive();
    });
    closeArchive();
    m_module.view.closeGuard = false;
    return loaded;
}

bool ArchiveLoader::LoadArchivedEvents(const QString &Condition)
{
    QString condition = Condition;
    return LoadArchivedEvents(condition);
}

// The server's own registry row comes after the site-wide one, so the last row read decides.
void ArchiveLoader::readRoutingSetting()
{
    const QString server = CStr(m_module.nt().get(QStringLiteral("ServerName")));
    auto setting = m_module.db().openRecordset(QStringLiteral("EXEC RegistryRead '") + doubledQuotes(server)
                                               + QStringLiteral("','PaxServer','EnableRouting'"));
    for (; !setting->eof(); setting->moveNext())
        m_module.filter.RoutingEnabled = CBool(setting->field(0));
    setting->close();
}

// With a condition every matching row is read, because admission may refuse many of them; the line
// limit then applies to the rows added, not to the rows read.
QString ArchiveLoader::archiveStatement(const QString &condition) const
{
    const QString top = condition.isEmpty() ? QStringLiteral("Top ") + QString::number(m_module.profile.MaxLines) : QString();
    return QStringLiteral("Select DISTINCT ") + top + QStringLiteral(" * from [VIEW_EventLog_AllEvents] ") + condition
           + QStringLiteral(" order by [dbDate] desc");
}

// Drawing stays off for the whole replay and the grid is sorted once, after the last row; the
// closing steps run whatever happened, so the grid is never left frozen or the flag left set.
bool ArchiveLoader::FillWithArchive()
{
    FEvents *viewer = nullptr;
    const bool completed = guarded(m_module.errors(), QStringLiteral("MPublic.FillWithArchive"), [&] {
        viewer = &m_module.windows().events();
        m_module.desktop().setBusyCursor(true);
        viewer->vGrid->clear();
        viewer->vGrid->setRedraw(false);
        m_module.view.LoadingArchive = true;

        if (!m_archive)
            throw VbError::fromNumber(VbError::ObjectNotSet);
        if (m_archive->eof())
            return;
        m_archive->moveFirst();
        qint32 added = 0;
        for (; !m_archive->eof(); m_archive->moveNext()) {
            if (EventNumbers::isSecondFamily(CDbl(m_archive->field(3))) && !m_module.view.zk2Hardware)
                continue;
            if (viewer->AddEvent(eventLine(*m_archive), false))
                ++added;
            if (added >= m_module.profile.MaxLines)
                break;
        }
    });

    m_module.view.LoadingArchive = false;
    if (viewer) {
        ignoringErrors([&] { viewer->vGrid->sort(); });
        ignoringErrors([&] { viewer->vGrid->setRedraw(true); });
    }
    closeArchive();
    ignoringErrors([&] { m_module.desktop().setBusyCursor(false); });
    return completed;
}

void ArchiveLoader::closeArchive()
{
    if (!m_archive)
        return;
    ignoringErrors([&] { m_archive->close(); });
    m_archive.reset();
}

} // namespace Ostraven
