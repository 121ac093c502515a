#include "filters/permissions.h"

#include "module/mpublic.h"

#include "host/db/hostdatabase.h"
#include "platform/desktop/scripteddesktop.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

// A host security object: the sub-permissions it knows per component type, with their CanView
// values. An unknown name fails as indexing the host's collection does.
using Known = QHash<qint32, QHash<QString, Variant>>;

DispatchPtr makeSecurityHost(const Known &known)
{
    auto host = std::make_shared<MemberTable>();
    host->onGet(QStringLiteral("Security"), [known](Args &) {
        auto security = std::make_shared<MemberTable>();
        auto componentType = std::make_shared<qint32>(0);
        security->onPut(QStringLiteral("ComponentType"), [componentType](Args &args) {
            *componentType = CLng(args.at(0));
            return Variant();
        });
        security->onGet(QStringLiteral("SubPermissions"), [known, componentType](Args &) {
            auto collection = std::make_shared<MemberTable>();
            const QHash<QString, Variant> names = known.value(*componentType);
            collection->onGet(QStringLiteral("Item"), [names](Args &args) {
                const QString name = CStr(args.at(0));
                if (!names.contains(name))
                    throw VbError::fromNumber(VbError::SubscriptOutOfRange);
                auto item = std::make_shared<MemberTable>();
                const Variant canView = names.value(name);
                item->onGet(QStringLiteral("CanView"), [canView](Args &) { return canView; });
                return Variant(DispatchPtr(item));
            });
            return Variant(DispatchPtr(collection));
        });
        return Variant(DispatchPtr(security));
    });
    return host;
}

struct Operator {
    QTemporaryDir folder;
    std::shared_ptr<ScriptedDesktop> desktop = std::make_shared<ScriptedDesktop>();
    MPublic module{desktop, folder.path()};

    // Exactly one box, whose function line names the error's source and then the label.
    [[nodiscard]] bool reported(const char *label) const
    {
        if (desktop->boxes().size() != 1)
            return false;
        const QString &text = desktop->boxes().front().request.text;
        return text.contains("\r\nFunction: ") && text.contains('.' + QString::fromUtf8(label) + '(');
    }
};

TEST(Permissions, CheckTabPermissionAndSetPermissions)
{
    const Known known{
        {96, {{"ViewAllEvents", true}, {"ChangeProps", false}, {"CopyToClipboard", "True"}, {"Archive", qint32(0)}}},
        {12, {{"AcknowledgeAlarms", qint32(-1)}}},
    };
    struct Case { qint32 componentType; const char *subPermission; bool granted; bool reported; };
    const Case cases[] = {
        {96, "ViewAllEvents", true, false}, {96, "ChangeProps", false, false}, {96, "CopyToClipboard", true, false},
        {96, "Archive", false, false},      {12, "AcknowledgeAlarms", true, false}, {12, "ViewAllEvents", false, true},
        {96, "Unknown", false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.subPermission);
        Operator op;
        op.module.host.NTConnection = makeSecurityHost(known);
        EXPECT_EQ(Permissions(op.module).CheckTabPermission(c.componentType, c.subPermission), c.granted);
        EXPECT_EQ(op.reported("MPublic.CheckTabPermission"), c.reported);
        EXPECT_EQ(op.desktop->boxes().empty(), !c.reported);
    }

    Operator noHost;
    EXPECT_FALSE(Permissions(noHost.module).CheckTabPermission(96, "ViewAllEvents"));
    EXPECT_TRUE(noHost.reported("MPublic.CheckTabPermission"));

    // SetPermissions asks for ViewAllEvents of component 96 and keeps no earlier answer.
    struct SetCase { const char *name; Known known; bool canViewAll; bool reported; };
    const SetCase setCases[] = {
        {"granted", {{96, {{"ViewAllEvents", true}}}}, true, false},
        {"granted for another component only", {{12, {{"ViewAllEvents", true}}}}, false, true},
    };
    for (const SetCase &c : setCases) {
        SCOPED_TRACE(c.name);
        Operator op;
        op.module.host.NTConnection = makeSecurityHost(c.known);
        op.module.filter.CanViewAllEvents = !c.canViewAll;
        Permissions(op.module).SetPermissions();
        EXPECT_EQ(op.module.filter.CanViewAllEvents, c.canViewAll);
        EXPECT_EQ(op.reported("MPublic.CheckTabPermission"), c.reported);
    }
}

// Operator 900 of role 9 at workstation 5, with routing of its own: software events of \\SRV9 are
// denied, card holder 9000's credential 90001 is denied, and second-family host 1 is denied.
class RoutingSite : public Operator
{
public:
    RoutingSite()
    {
        const QString path = folder.filePath(QStringLiteral("host.sqlite"));
        HostDatabase::createDatabase(path, 0);
        module.host.DBConnection = Connection::openSqlite(path);
        for (const char *statement : {
                 "INSERT INTO Roles VALUES (9, 'Routing Test')",
                 "INSERT INTO Operators VALUES (900, 'router', 'Routing Tester', 9, 1, 0, 0)",
                 "INSERT INTO RoutingRules VALUES (90, 9, 0, 1000, 1500, '\\\\SRV9%', 1)",
                 "INSERT INTO RoutingRules VALUES (91, 9, 0, 0, 99999, '%', 0)",
                 "INSERT INTO CardHolders VALUES (9000, 'Denied', 'Dana', 77)",
                 "INSERT INTO Credentials VALUES (90001, 990001, 9000, 1)",
                 "INSERT INTO RoutingDepartmentDenials VALUES (9, 0, 77)",
                 "INSERT INTO ZEKO_RoutingHostDenials VALUES (9, 1)",
             })
            module.db().execute(QString::fromUtf8(statement));
    }

    // Gives a procedure another body (as a different server might answer), or none.
    void replaceProcedure(const char *name, const char *body)
    {
        const QString procedure = QString::fromUtf8(name);
        module.db().execute(body ? QStringLiteral("UPDATE ov_procedures SET body = '%1' WHERE name = '%2'")
                                       .arg(QString::fromUtf8(body), procedure)
                                 : QStringLiteral("DELETE FROM ov_procedures WHERE name = '%1'").arg(procedure));
    }

    // Whether the event is denied, with the statements sent to decide it.
    std::pair<bool, QStringList> ask(qint32 eventId, const QString &address, qint32 cred1, qint32 cred2,
                                     qint32 host1, qint32 host2)
    {
        const QString tracePath = folder.filePath(QStringLiteral("trace.sql"));
        module.db().setTraceFile(tracePath);
        const bool denied = Permissions(module).Role_EventDenied(900, 5, eventId, address, cred1, cred2, host1, host2);
        module.db().setTraceFile({});
        QFile file(tracePath);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {denied, {}};
        return {denied, QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
    }
};

enum Procedures { First = 1, Second = 2, Third = 4 };

QStringList statementsOf(int procedures, qint32 eventId, const QString &address, qint32 cred1, qint32 cred2,
                         qint32 host1, qint32 host2)
{
    QStringList statements;
    if (procedures & First)
        statements << QStringLiteral("EXEC rp_Role_Routing_DeniedCount 900,5,%1,'%2'").arg(eventId).arg(address);
    if (procedures & Second)
        statements << QStringLiteral("EXEC rp_Role_Routing_SysTranDeniedCount 900,5,%1,%2").arg(cred1).arg(cred2);
    if (procedures & Third)
        statements << QStringLiteral("EXEC ZEKO_Role_Routing_SysTranDeniedCount 900,%1,%2").arg(host1).arg(host2);
    return statements;
}

const QString door = QStringLiteral(R"(\\SRV1.1.1.DR01)");

TEST(Permissions, RoleEventDeniedAsksTheProceduresThatApply)
{
    const QString software = QStringLiteral(R"(\\SRV9.1.1)");
    const QString zeko = QStringLiteral(R"(\\ZEKO01.1.DR01)");
    struct Case { const char *name; qint32 eventId; QString address;
        qint32 cred1, cred2, host1, host2; int procedures; bool denied; };
    const Case cases[] = {
        {"denied by an event rule", 1200, software, 90001, 0, 1, 1, First, true},
        {"transaction below the band", 1999, door, 90001, 0, 0, 0, First, false},
        {"first transaction of the band", 2000, door, 90001, 0, 0, 0, First | Second, true},
        {"last transaction of the band", 3999, door, 90001, 0, 0, 0, First | Second, true},
        {"external event above the band", 4000, door, 90001, 0, 0, 0, First, false},
        {"no credential", 2500, door, 0, 90001, 0, 0, First, false},
        {"first credential 1, second denied", 2500, door, 1, 90001, 0, 0, First | Second, true},
        {"credential of nobody denied", 2500, door, 5, 0, 0, 0, First | Second, false},
        {"no host ids", 80010, zeko, 0, 0, 0, 0, First, false},
        {"first host id denied", 80010, zeko, 0, 0, 1, 0, First | Third, true},
        {"second host id denied", 80010, zeko, 0, 0, 0, 1, First | Third, true},
        {"denied credential, clear host", 2500, door, 90001, 0, 2, 0, First | Second | Third, true},
        {"clear credential, denied host", 2500, door, 5, 0, 0, 1, First | Second | Third, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RoutingSite site;
        const auto [denied, statements] = site.ask(c.eventId, c.address, c.cred1, c.cred2, c.host1, c.host2);
        EXPECT_EQ(denied, c.denied);
        EXPECT_EQ(statements, statementsOf(c.procedures, c.eventId, c.address, c.cred1, c.cred2, c.host1, c.host2));
        EXPECT_TRUE(site.desktop->boxes().empty());
    }
}

// Servers differ in what their procedures answer: no row at all, or a count with words after it;
// a missing procedure is reported and what was decided before it stands.
TEST(Permissions, RoleEventDeniedReadsWhatTheProceduresAnswer)
{
    const char *noRow = "SELECT 1 AS DeniedCount WHERE 0 = 1";
    const char *first = "rp_Role_Routing_DeniedCount";
    const char *third = "ZEKO_Role_Routing_SysTranDeniedCount";
    struct Case {
        const char *name;
        const char *procedure;
        const char *body; // nullptr: the procedure is missing
        qint32 cred1;
        qint32 host1;
        int procedures;
        bool denied;
    };
    const Case cases[] = {
        {"first procedure without a row", first, noRow, 90001, 1, First, false},
        {"count read as a leading number", first, "SELECT ''2 rules'' AS DeniedCount", 90001, 1, First, true},
        {"negative count", first, "SELECT -3 AS DeniedCount", 90001, 0, First | Second, true},
        {"second procedure without a row", "rp_Role_Routing_SysTranDeniedCount", noRow, 90001, 0, First | Second,
         false},
        {"third procedure without a row clears a denial", third, noRow, 90001, 1, First | Second | Third, false},
        {"third procedure counting words", third, "SELECT ''0 of 4'' AS DeniedCount", 90001, 1,
         First | Second | Third, true},
        {"first procedure missing", first, nullptr, 90001, 1, 0, false},
        {"third procedure missing after a denial", third, nullptr, 90001, 1, 0, true},
        {"third procedure missing without a denial", third, nullptr, 5, 1, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RoutingSite site;
        site.replaceProcedure(c.procedure, c.body);
        const auto [denied, statements] = site.ask(2500, door, c.cred1, 0, c.host1, 0);
        EXPECT_EQ(denied, c.denied);
        if (c.body) {
            EXPECT_EQ(statements, statementsOf(c.procedures, 2500, door, c.cred1, 0, c.host1, 0));
            EXPECT_TRUE(site.desktop->boxes().empty());
        } else {
            EXPECT_TRUE(site.reported("MPublic.Role_EventDenied"));
        }
    }

    Operator noConnection;
    EXPECT_FALSE(Permissions(noConnection.module).Role_EventDenied(900, 5, 2500, door, 1, 0, 1, 0));
    EXPECT_TRUE(noConnection.reported("MPublic.Role_EventDenied"));
}

} // namespace
} // namespace Ostraven
