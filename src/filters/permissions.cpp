#include "permissions.h"

#include "module/mpublic.h"

#include "errors/errorroutes.h"
#include "platform/db/sqlliteral.h"

namespace Ostraven {

namespace {

// The procedures answer with a count of denying rules; only its leading number counts.
bool countDenies(const Recordset &result)
{
    return Val(CStr(result.field(0))) > 0;
}

QString number(qint32 value)
{
    return QString::number(value);
}

} // namespace

// The security object is fetched once: the component type set on it selects what its
// sub-permission collection answers for.
bool Permissions::CheckTabPermission(qint32 ComponentType, const QString &SubPermission)
{
    bool granted = false;
    guarded(m_module.errors(), QStringLiteral("MPublic.CheckTabPermission"), [&] {
        const Variant security = m_module.nt().get(QStringLiteral("Security"));
        objectOf(security).put(QStringLiteral("ComponentType"), Variant(ComponentType));
        const Variant collection = objectOf(security).get(QStringLiteral("SubPermissions"));
        Args key{Variant(SubPermission)};
        const Variant permission = objectOf(collection).get(QStringLiteral("Item"), key);
        granted = CBool(objectOf(permission).get(QStringLiteral("CanView")));
    });
    return granted;
}

void Permissions::SetPermissions()
{
    guarded(m_module.errors(), QStringLiteral("MPublic.SetPermissions"), [&] {
        m_module.filter.CanViewAllEvents = CheckTabPermission(eventViewerComponent, QStringLiteral("ViewAllEvents"));
    });
}

// Each procedure that runs overrides what the one before decided: a later procedure with no row
// clears an earlier denial. The card-holder procedure only concerns card transactions.
bool Permissions::Role_EventDenied(qint32 UserID, qint32 WorkstationID, qint32 EventID, const QString &Address,
                                   qint32 CredID1, qint32 CredID2, qint32 HostID1, qint32 HostID2)
{
    bool denied = false;
    std::unique_ptr<Recordset> result;
    guarded(m_module.errors(), QStringLiteral("MPublic.Role_EventDenied"), [&] {
        Connection &db = m_module.db();
        result = db.openRecordset(QStringLiteral("EXEC rp_Role_Routing_DeniedCount ") + number(UserID)
                                  + QLatin1Char(',') + number(WorkstationID) + QLatin1Char(',') + number(EventID)
                                  + QStringLiteral(",'") + doubledQuotes(Address) + QLatin1Char('\''));
        if (result->eof())
            return;
        if (countDenies(*result)) {
            denied = true;
            return;
        }
        result->close();
        result.reset();

        auto readInto = [&](const QString &sql) {
            if (result) {
                result->close();
                result.reset();
            }
            result = db.openRecordset(sql);
            if (result->eof())
                denied = false;
            else if (countDenies(*result))
                denied = true;
        };
        if (CredID1 >= 1 && EventID >= 2000 && EventID <= 3999) {
            readInto(QStringLiteral("EXEC rp_Role_Routing_SysTranDeniedCount ") + number(UserID) + QLatin1Char(',')
                     + number(WorkstationID) + QLatin1Char(',') + number(CredID1) + QLatin1Char(',')
                     + number(CredID2));
        }
        if (HostID1 >= 1 || HostID2 >= 1) {
            readInto(QStringLiteral("EXEC ZEKO_Role_Routing_SysTranDeniedCount ") + number(UserID) + QLatin1Char(',')
                     + number(HostID1) + QLatin1Char(',') + number(HostID2));
        }
    });
    if (result)
        ignoringErrors([&] { result->close(); });
    return denied;
}

} // namespace Ostraven
