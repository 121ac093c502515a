#include "corvanpersist.h"

#include "filters/filterclausebuilder.h"
#include "filters/permissions.h"
#include "model/ccircularbuffer.h"
#include "module/mpublic.h"

#include "errors/errorroutes.h"
#include "platform/db/sqlliteral.h"

#include <QWidget>

#include <array>

namespace Ostraven {

namespace {

// Profile_Details rows of the event viewer carry this object number; other components share the table.
const QString viewerObject = QStringLiteral("4");
const QString objectDefault = QStringLiteral("Use Object Default");
const QString defaultColors =
    QStringLiteral("0,16777215,6250335,255,65280,16776960,16777215,32896,33023,65535,16744703,16730712");
constexpr qint32 defaultMaxLines = 100;
// The host platform keeps window geometry in twips.
constexpr int twipsPerPixel = 15;

// The settings a load reads and a save writes back; the window's size and position are only written.
const std::array<QString, 7> profileSettings = {
    QStringLiteral("FilterGroupID"), QStringLiteral("MaxLines"),   QStringLiteral("LoadCachedEvents"),
    QStringLiteral("DisplayEventsAtTop"), QStringLiteral("Colors"), QStringLiteral("ColumnHeaders"),
    QStringLiteral("TypeFilter")};

bool isObjectDefault(const Variant &value)
{
    return value.isString() && value.asString() == objectDefault;
}

QString twips(int pixels)
{
    return QString::number(qint64(pixels) * twipsPerPixel);
}

} // namespace

void CorvanPersist::LoadPersistence()
{
    // Until the rows have been read, every setting counts as unread: a load that fails part-way must not
    // let the next save overwrite the stored values it never got to.
    for (const QString &setting : profileSettings)
        m_module.profile.unreadSettings.insert(setting);
    guarded(m_module.errors(), QStringLiteral("CorvanPersist.LoadPersistence"), [&] {
        std::unique_ptr<Recordset> rows = m_module.db().openRecordset(
            QStringLiteral("Select * from Profile_Details Where ObjectID = ") + viewerObject
            + QStringLiteral(" AND ProfileID = ") + QString::number(m_module.host.CurrentProfileID));
        for (; !rows->eof(); rows->moveNext()) {
            const QString property = CStr(rows->field(2));
            applyRow(property, rows->field(3));
            m_module.profile.unreadSettings.remove(property);
        }
        rows->close();
        // A setting without a row was read too: it has no stored value to protect.
        m_module.profile.unreadSettings.clear();

        const qint32 group = m_module.profile.FilterGroupID;
        ApplyProfile(group != 0 ? std::optional<qint32>(group) : std::nullopt);
    });
}

void CorvanPersist::ApplyProfile(std::optional<qint32> filterGroup)
{
    m_module.profile.MaxLines = m_module.profile.MaxLinesSetting;
    m_module.messageBuffer().SetBufferSize(m_module.profile.MaxLines);
    if (filterGroup) {
        FilterClauseBuilder(m_module).SetFilter2(*filterGroup);
        m_module.filter.FilterActive = true;
    } else {
        m_module.filter.FilterActive = false;
    }
    Permissions(m_module).SetPermissions();
}

// The first name that matches wins; rows of settings that are only written (size, position,
// RedrawRate) are passed over. A value that does not convert stops the whole load.
void CorvanPersist::applyRow(const QString &property, const Variant &value)
{
    if (property == QLatin1String("FilterGroupID")) {
        m_module.profile.FilterGroupID = CLng(value);
    } else if (property == QLatin1String("MaxLines")) {
        m_module.profile.MaxLinesSetting = isObjectDefault(value) ? defaultMaxLines : CLng(value);
    } else if (property == QLatin1String("LoadCachedEvents")) {
        m_module.profile.LoadCachedEvents = isObjectDefault(value) ? true : CBool(value);
    } else if (property == QLatin1String("DisplayEventsAtTop")) {
        m_module.profile.DisplayEventsAtTop = CBool(value);
    } else if (property == QLatin1String("ColumnHeaders")) {
        m_module.profile.ColumnHeaders = CStr(value);
    } else if (property == QLatin1String("Colors")) {
        m_module.profile.Colors = isObjectDefault(value) ? defaultColors : CStr(value);
        m_module.InitColors();
    } else if (property == QLatin1String("TypeFilter")) {
        m_module.profile.TypeFilter = isObjectDefault(value) ? 0 : CLng(value);
    }
}

// One transaction: a save that fails part-way (a lock, a read-only file, a crash) leaves the profile
// as it was rather than half old, half new, and the operator hears about it once.
void CorvanPersist::SavePersistence(QWidget &viewer)
{
    guarded(m_module.errors(), QStringLiteral("CorvanPersist.SavePersistence"), [&] {
        Transaction transaction(m_module.db());
        saveSetting(QStringLiteral("Height"), QStringLiteral("'"), twips(viewer.frameGeometry().height()));
        saveSetting(QStringLiteral("Left"), QStringLiteral("'"), twips(viewer.frameGeometry().x()));
        saveSetting(QStringLiteral("Top"), QStringLiteral("'"), twips(viewer.frameGeometry().y()));
        saveSetting(QStringLiteral("Width"), QStringLiteral("'"), twips(viewer.frameGeometry().width()));
        saveSetting(QStringLiteral("FilterGroupID"), QStringLiteral("'"), QString::number(m_module.profile.FilterGroupID));
        saveSetting(QStringLiteral("MaxLines"), QStringLiteral("'"), QString::number(m_module.profile.MaxLinesSetting));
        saveSetting(QStringLiteral("LoadCachedEvents"), QStringLiteral("'"),
                    CStr(Variant(m_module.profile.LoadCachedEvents)));
        saveSetting(QStringLiteral("DisplayEventsAtTop"), QStringLiteral("'"),
                    CStr(Variant(m_module.profile.DisplayEventsAtTop)));
        saveSetting(QStringLiteral("Colors"), QStringLiteral("'"), doubledQuotes(m_module.profile.Colors));
        // The host's quoting reports its own failures and then gives an empty text, which must not
        // replace a stored layout.
        const QString headers = m_module.FixA(m_module.profile.ColumnHeaders);
        if (!headers.isEmpty() || m_module.profile.ColumnHeaders.isEmpty())
            saveSetting(QStringLiteral("ColumnHeaders"), QStringLiteral("N'"), headers);
        saveSetting(QStringLiteral("TypeFilter"), QStringLiteral("N'"), QString::number(m_module.profile.TypeFilter));
        // Nothing in the viewer sets a redraw rate; the row is kept for the host's other readers.
        writeProperty(QStringLiteral("RedrawRate"), Variant(qint32(0)));
        transaction.commit();
    });
}

// The procedure inserts or replaces the row, so saving never has to look first.
void CorvanPersist::saveSetting(const QString &property, const QString &quote, const QString &value)
{
    if (m_module.profile.unreadSettings.contains(property))
        return;
    m_module.db().execute(QStringLiteral("ZUL_Update_Profile_Persisted_Details ")
                          + QString::number(m_module.host.CurrentProfileID) + QStringLiteral(", ") + viewerObject
                          + QStringLiteral(", '") + property + QStringLiteral("', ") + quote + value
                          + QLatin1Char('\''));
}

void CorvanPersist::SetPosition(QWidget &)
{
    guarded(m_module.errors(), QStringLiteral("CorvanPersist.SetPosition"), [&] { m_module.InitColors(); });
}

void CorvanPersist::WriteProperty(const QString &Property, const Variant &Value)
{
    guarded(m_module.errors(), QStringLiteral("CorvanPersist.WriteProperty"),
            [&] { writeProperty(Property, Value); });
}

void CorvanPersist::writeProperty(const QString &property, const Variant &value)
{
    Connection &db = m_module.db();
    const QString profile = QString::number(m_module.host.CurrentProfileID);
    const QString name = doubledQuotes(property);
    std::unique_ptr<Recordset> existing = db.openRecordset(
        QStringLiteral("Select [Value] From Profile_Details Where ProfileID = ") + profile
        + QStringLiteral(" AND ObjectID = ") + viewerObject + QStringLiteral(" AND Property = '") + name
        + QLatin1Char('\''));
    const QString text = CStr(value);
    if (existing->eof()) {
        db.execute(QStringLiteral("Insert Into Profile_Details  (ProfileID, ObjectID, Property, [Value]) Values (")
                   + profile + QLatin1Char(',') + viewerObject + QStringLiteral(",'") + name + QStringLiteral("',")
                   + text + QLatin1Char(')'));
    } else {
        db.execute(QStringLiteral("Update Profile_Details Set [Value] = ") + text + QStringLiteral(" Where ProfileID =")
                   + profile + QStringLiteral(" AND ObjectID = ") + viewerObject
                   + QStringLiteral(" AND Property = '") + name + QLatin1Char('\''));
    }
    existing->close();
}

} // namespace Ostraven
