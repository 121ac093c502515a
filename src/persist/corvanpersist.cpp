#include "corvanpersist.h"

#include "filters/filterclausebuilder.h"
#include "filters/mpublic.h"
#include "filters/permissions.h"
#include "model/ccircularbuffer.h"

#include "errors/errorroutes.h"

#include <QWidget>

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
    guarded(m_module.errors(), QStringLiteral("CorvanPersist.LoadPersistence"), [&] {
        std::unique_ptr<Recordset> rows = m_module.db().openRecordset(
            QStringLiteral("Select * from Profile_Details Where ObjectID = ") + viewerObject
            + QStringLiteral(" AND ProfileID = ") + QString::number(m_module.CurrentProfileID));
        for (; !rows->eof(); rows->moveNext())
            applyRow(CStr(rows->field(2)), rows->field(3));
        rows->close();

        m_module.MaxLines = m_module.MaxLinesSetting;
        m_module.messageBuffer().SetBufferSize(m_module.MaxLines);

        if (m_module.FilterGroupID != 0) {
            FilterClauseBuilder(m_module).SetFilter2(m_module.FilterGroupID);
            m_module.FilterActive = true;
        } else {
            m_module.FilterActive = false;
        }

        Permissions(m_module).SetPermissions();
    });
}

// The first name that matches wins; rows of settings that are only written (size, position,
// RedrawRate) are passed over. A value that does not convert stops the whole load.
void CorvanPersist::applyRow(const QString &property, const Variant &value)
{
    if (property == QLatin1String("FilterGroupID")) {
        m_module.FilterGroupID = CLng(value);
    } else if (property == QLatin1String("MaxLines")) {
        m_module.MaxLinesSetting = isObjectDefault(value) ? defaultMaxLines : CLng(value);
    } else if (property == QLatin1String("LoadCachedEvents")) {
        m_module.LoadCachedEvents = isObjectDefault(value) ? true : CBool(value);
    } else if (property == QLatin1String("DisplayEventsAtTop")) {
        m_module.DisplayEventsAtTop = CBool(value);
    } else if (property == QLatin1String("ColumnHeaders")) {
        m_module.ColumnHeaders = CStr(value);
    } else if (property == QLatin1String("Colors")) {
        m_module.Colors = isObjectDefault(value) ? defaultColors : CStr(value);
        m_module.InitColors();
    } else if (property == QLatin1String("TypeFilter")) {
        m_module.TypeFilter = isObjectDefault(value) ? 0 : CLng(value);
    }
}

void CorvanPersist::SavePersistence(QWidget &viewer)
{
    saveSetting(QStringLiteral(", 'Height', '"), twips(viewer.frameGeometry().height()));
    saveSetting(QStringLiteral(", 'Left', '"), twips(viewer.frameGeometry().x()));
    saveSetting(QStringLiteral(", 'Top', '"), twips(viewer.frameGeometry().y()));
    saveSetting(QStringLiteral(", 'Width', '"), twips(viewer.frameGeometry().width()));
    saveSetting(QStringLiteral(", 'FilterGroupID', '"), QString::number(m_module.FilterGroupID));
    saveSetting(QStringLiteral(", 'MaxLines', '"), QString::number(m_module.MaxLinesSetting));
    saveSetting(QStringLiteral(", 'LoadCachedEvents', '"), CStr(Variant(m_module.LoadCachedEvents)));
    saveSetting(QStringLiteral(", 'DisplayEventsAtTop', '"), CStr(Variant(m_module.DisplayEventsAtTop)));
    saveSetting(QStringLiteral(", 'Colors', '"), m_module.Colors);
    saveSetting(QStringLiteral(", 'ColumnHeaders', N'"), m_module.FixA(m_module.ColumnHeaders));
    saveSetting(QStringLiteral(", 'TypeFilter', N'"), QString::number(m_module.TypeFilter));
    // Nothing in the viewer sets a redraw rate; the row is kept for the host's other readers.
    WriteProperty(QStringLiteral("RedrawRate"), Variant(qint32(0)));
}

// The procedure inserts or replaces the row, so saving never has to look first.
void CorvanPersist::saveSetting(const QString &piece, const QString &value)
{
    ignoringErrors([&] {
        m_module.db().execute(QStringLiteral("ZUL_Update_Profile_Persisted_Details ")
                              + QString::number(m_module.CurrentProfileID) + QStringLiteral(", ") + viewerObject
                              + piece + value + QLatin1Char('\''));
    });
}

void CorvanPersist::SetPosition(QWidget &)
{
    guarded(m_module.errors(), QStringLiteral("CorvanPersist.SetPosition"), [&] { m_module.InitColors(); });
}

void CorvanPersist::WriteProperty(const QString &Property, const Variant &Value)
{
    guarded(m_module.errors(), QStringLiteral("CorvanPersist.WriteProperty"), [&] {
        Connection &db = m_module.db();
        const QString profile = QString::number(m_module.CurrentProfileID);
        std::unique_ptr<Recordset> existing = db.openRecordset(
            QStringLiteral("Select [Value] From Profile_Details Where ProfileID = ") + profile
            + QStringLiteral(" AND ObjectID = ") + viewerObject + QStringLiteral(" AND Property = '") + Property
            + QLatin1Char('\''));
        const QString value = CStr(Value);
        if (existing->eof()) {
            db.execute(QStringLiteral("Insert Into Profile_Details  (ProfileID, ObjectID, Property, [Value]) Values (")
                       + profile + QLatin1Char(',') + viewerObject + QStringLiteral(",'") + Property
                       + QStringLiteral("',") + value + QLatin1Char(')'));
        } else {
            db.execute(QStringLiteral("Update Profile_Details Set [Value] = ") + value
                       + QStringLiteral(" Where ProfileID =") + profile + QStringLiteral(" AND ObjectID = ")
                       + viewerObject + QStringLiteral(" AND Property = '") + Property + QLatin1Char('\''));
        }
        existing->close();
    });
}

} // namespace Ostraven
