#include "filters/permissions.h"

#include "filters/mpublic.h"

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
DispatchPtr makeSecurityHost(const QHash<qint32, QHash<QString, Variant>> &known)
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

    [[nodiscard]] bool reported(const QString &label) const
    {
        // The function line names the error's source first: the platform or the database provider.
        if (desktop->boxes().size() != 1)
            return false;
        const QString &text = desktop->boxes().front().request.text;
        return text.contains(QStringLiteral("\r\nFunction: "))
               && text.contains(QLatin1Char('.') + label + QLatin1Char('('));
    }
};

TEST(Permissions, CheckTabPermissionAsksTheHostForTheComponentAndName)
{
    const QHash<qint32, QHash<QString, Variant>> known{
        {96,
         {{QStringLiteral("ViewAllEvents"), Variant(true)},
          {QStringLiteral("ChangeProps"), Variant(false)},
          {QStringLiteral("CopyToClipboard"), Variant("True")},
          {QStringLiteral("Archive"), Variant(qint32(0))}}},
        {12, {{QStringLiteral("AcknowledgeAlarms"), Variant(qint32(-1))}}},
    };
    struct Case {
        qint32 componentType;
        const char *subPermission;
        bool granted;
        bool reported;
    };
    const Case cases[] = {
        {96, "ViewAllEvents", true, false},
        {96, "ChangeProps", false, false},
        {96, "CopyToClipboard", true, false},
        {96, "Archive", false, false},
        {12, "AcknowledgeAlarms", true, false},
        {12, "ViewAllEvents", false, true},
        {96, "Unknown", false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.subPermission);
        Operator op;
        op.module.NTConnection = makeSecurityHost(known);

        EXPECT_EQ(Permissions(op.module).CheckTabPermission(c.componentType, QString::fromUtf8(c.subPermission)),
                  c.granted);
        if (c.reported)
            EXPECT_TRUE(op.reported(QStringLiteral("MPublic.CheckTabPermission")));
        else
            EXPECT_TRUE(op.desktop->boxes().empty());
    }
}

TEST(Permissions, CheckTabPermissionWithoutHostIsNotGranted)
{
    Operator op;

    EXPECT_FALSE(Permissions(op.module).CheckTabPermission(96, QStringLiteral("ViewAllEvents")));
    EXPECT_TRUE(op.reported(QStringLiteral("MPublic.CheckTabPermission")));
}

TEST(Permissions, SetPermissionsDecidesViewAllEvents)
{
    struct Case {
        const char *name;
        QHash<qint32, QHash<QString, Variant>> known;
        bool before;
        bool canViewAll;
        bool reported;
    };
    const Case cases[] = {
        {"granted", {{96, {{QStringLiteral("ViewAllEvents"), Variant(true)}}}}, false, true, false},
        {"denied", {{96, {{QStringLiteral("ViewAllEvents"), Variant(false)}}}}, true, false, false},
        {"unknown to the host", {{96, {{QStringLiteral("ChangeProps"), Variant(true)}}}}, true, false, true},
        {"granted for another component only", {{12, {{QStringLiteral("ViewAllEvents"), Variant(true)}}}}, true,
         false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Operator op;
        op.module.NTConnection = makeSecurityHost(c.known);
        op.module.CanViewAllEvents = c.before;

        Permissions(op.module).SetPermissions();

        EXPECT_EQ(op.module.CanViewAllEvents, c.canViewAll);
        if (c.reported)
            EXPECT_TRUE(op.reported(QStringLiteral("MPublic.CheckTabPermission")));
        else
            EXPECT_TRUE(op.desktop->boxes().empty());
    }
}

// Operator 900 of role 9 at workstation 5, with routing of its own: software events of \\SRV9 are
// denied, card holder 9000's credential 90001 is denied, and second-family host 1 is denied.
class RoutingSite
{
public:
    RoutingSite()
    {
        const QString path = m_operator.folder.filePath(QStringLiteral("host.sqlite"));
        HostDatabase::createDatabase(path, 0);
        m_database = Connection::openSqlite(path);
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
            m_database->execute(QString::fromUtf8(statement));
        module().DBConnection = m_database;
    }

    // Gives a procedure another body, to make it answer as a different server might.
    void replaceProcedure(const char *name, const char *body)
    {
        m_database->execute(QStringLiteral("UPDATE ov_procedures SET body = '%1' WHERE name = '%2'")
                                .arg(QString::fromUtf8(body), QString::fromUtf8(name)));
    }

    void dropProcedure(const char *name)
    {
        m_database->execute(QStringLiteral("DELETE FROM ov_procedures WHERE name = '%1'").arg(QString::fromUtf8(name)));
    }

    struct Outcome {
        bool denied = false;
        QStringList statements;
    };

    [[nodiscard]] Outcome ask(qint32 eventId, const QString &address, qint32 credId1, qint32 credId2, qint32 hostId1,
                              qint32 hostId2)
    {
        const QString tracePath = m_operator.folder.filePath(QStringLiteral("trace%1.sql").arg(++m_traces));
        m_database->setTraceFile(tracePath);
        Outcome outcome;
        outcome.denied = Permissions(module()).Role_EventDenied(900, 5, eventId, address, credId1, credId2, hostId1,
                                                                hostId2);
        m_database->setTraceFile({});
        QFile file(tracePath);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            outcome.statements = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return outcome;
    }

    [[nodiscard]] MPublic &module() { return m_operator.module; }
    [[nodiscard]] bool reported(const QString &label) const { return m_operator.reported(label); }
    [[nodiscard]] bool nothingShown() const { return m_operator.desktop->boxes().empty(); }

private:
    Operator m_operator;
    ConnectionPtr m_database;
    int m_traces = 0;
};

enum Procedures { First = 1, Second = 2, Third = 4 };

QStringList statementsOf(int procedures, qint32 eventId, const QString &address, qint32 credId1, qint32 credId2,
                         qint32 hostId1, qint32 hostId2)
{
    QStringList statements;
    if (procedures & First)
        statements << QStringLiteral("EXEC rp_Role_Routing_DeniedCount 900,5,%1,'%2'").arg(eventId).arg(address);
    if (procedures & Second)
        statements << QStringLiteral("EXEC rp_Role_Routing_SysTranDeniedCount 900,5,%1,%2").arg(credId1).arg(credId2);
    if (procedures & Third)
        statements << QStringLiteral("EXEC ZEKO_Role_Routing_SysTranDeniedCount 900,%1,%2").arg(hostId1).arg(hostId2);
    return statements;
}

TEST(Permissions, RoleEventDeniedAsksTheProceduresThatApply)
{
    const QString software = QStringLiteral("\\\\SRV9.1.1");
    const QString door = QStringLiteral("\\\\SRV1.1.1.DR01");
    const QString zeko = QStringLiteral("\\\\ZEKO01.1.DR01");
    struct Case {
        const char *name;
        qint32 eventId;
        QString address;
        qint32 credId1, credId2, hostId1, hostId2;
        int procedures;
        bool denied;
    };
    const Case cases[] = {
        {"denied by an event rule", 1200, software, 90001, 0, 1, 1, First, true},
        {"event rule for another address", 1200, door, 0, 0, 0, 0, First, false},
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
        {"host id of nobody denied", 80010, zeko, 0, 0, 2, 3, First | Third, false},
        {"denied credential stays denied by a clear host", 2500, door, 90001, 0, 2, 0, First | Second | Third, true},
        {"clear credential, denied host", 2500, door, 5, 0, 0, 1, First | Second | Third, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RoutingSite site;

        const RoutingSite::Outcome outcome = site.ask(c.eventId, c.address, c.credId1, c.credId2, c.hostId1, c.hostId2);

        EXPECT_EQ(outcome.denied, c.denied);
        EXPECT_EQ(outcome.statements,
                  statementsOf(c.procedures, c.eventId, c.address, c.credId1, c.credId2, c.hostId1, c.hostId2));
        EXPECT_TRUE(site.nothingShown());
    }
}

// Servers differ in what their procedures answer: no row at all, or a count with words after it.
TEST(Permissions, RoleEventDeniedReadsWhatTheProceduresAnswer)
{
    const char *noRow = "SELECT 1 AS DeniedCount WHERE 0 = 1";
    struct Case {
        const char *name;
        const char *procedure;
        const char *body;
        qint32 hostId1;
        int procedures;
        bool denied;
    };
    const Case cases[] = {
        {"first procedure without a row", "rp_Role_Routing_DeniedCount", noRow, 1, First, false},
        {"count read as a leading number", "rp_Role_Routing_DeniedCount", "SELECT ''2 rules'' AS DeniedCount", 1, First,
         true},
        {"negative count", "rp_Role_Routing_DeniedCount", "SELECT -3 AS DeniedCount", 0, First | Second, true},
        {"second procedure without a row", "rp_Role_Routing_SysTranDeniedCount", noRow, 0, First | Second, false},
        {"third procedure without a row clears a denial", "ZEKO_Role_Routing_SysTranDeniedCount", noRow, 1,
         First | Second | Third, false},
        {"third procedure counting words", "ZEKO_Role_Routing_SysTranDeniedCount",
         "SELECT ''0 of 4'' AS DeniedCount", 1, First | Second | Third, true},
    };
    const QString door = QStringLiteral("\\\\SRV1.1.1.DR01");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RoutingSite site;
        site.replaceProcedure(c.procedure, c.body);

        // Credential 90001 is denied by the second procedure, so it decides when it runs.
        const RoutingSite::Outcome outcome = site.ask(2500, door, 90001, 0, c.hostId1, 0);

        EXPECT_EQ(outcome.denied, c.denied);
        EXPECT_EQ(outcome.statements, statementsOf(c.procedures, 2500, door, 90001, 0, c.hostId1, 0));
        EXPECT_TRUE(site.nothingShown());
    }
}

TEST(Permissions, RoleEventDeniedKeepsWhatWasDecidedBeforeAFailure)
{
    struct Case {
        const char *name;
        const char *missing;
        qint32 credId1;
        bool denied;
    };
    const Case cases[] = {
        {"first procedure missing", "rp_Role_Routing_DeniedCount", 90001, false},
        {"third procedure missing after a denial", "ZEKO_Role_Routing_SysTranDeniedCount", 90001, true},
        {"third procedure missing without a denial", "ZEKO_Role_Routing_SysTranDeniedCount", 5, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RoutingSite site;
        site.dropProcedure(c.missing);

        const RoutingSite::Outcome outcome =
            site.ask(2500, QStringLiteral("\\\\SRV1.1.1.DR01"), c.credId1, 0, 1, 0);

        EXPECT_EQ(outcome.denied, c.denied);
        EXPECT_TRUE(site.reported(QStringLiteral("MPublic.Role_EventDenied")));
    }
}

TEST(Permissions, RoleEventDeniedWithoutConnectionIsNotDenied)
{
    Operator op;

    EXPECT_FALSE(Permissions(op.module).Role_EventDenied(900, 5, 2500, QStringLiteral("\\\\SRV1"), 1, 0, 1, 0));
    EXPECT_TRUE(op.reported(QStringLiteral("MPublic.Role_EventDenied")));
}

} // namespace
} // namespace Ostraven
