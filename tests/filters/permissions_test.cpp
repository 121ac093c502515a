#include "filtersite.h"
#include "filters/permissions.h"
#include <QHash>

namespace Ostraven::Testing {
namespace {
// A host security object: the sub-permissions it knows per component type, with their CanView
// values. An unknown name fails as indexing the host's collection does.
using Known = QHash<qint32, QHash<QString, Variant>>;
DispatchPtr makeSecurityHost(const Known &known)
{
    auto host = std::make_shared<MemberTable>();
    host->onGet(QStringLiteral("Security"), [known](Args &) { auto security = std::make_shared<MemberTable>();
        auto componentType = std::make_shared<qint32>(0);
        security->onPut(QStringLiteral("ComponentType"), [componentType](Args &args) { *componentType = CLng(args.at(0));
            return Variant();
        });
        security->onGet(QStringLiteral("SubPermissions"), [known, componentType](Args &) {
            auto collection = std::make_shared<MemberTable>();
            collection->onGet(QStringLiteral("Item"), [names = known.value(*componentType)](Args &args) {
                const QString name = CStr(args.at(0));
                if (!names.contains(name))
                    throw VbError::fromNumber(VbError::SubscriptOutOfRange);
                auto item = std::make_shared<MemberTable>();
                item->onGet(QStringLiteral("CanView"), [canView = names.value(name)](Args &) { return canView; });
                return Variant(DispatchPtr(item));
            });
            return Variant(DispatchPtr(collection));
        });
        return Variant(DispatchPtr(security));
    });
    return host;
}
struct Operator : FilterSite {
    // Exactly one box, whose function line names the error's source and then the label.
    [[nodiscard]] bool reported(const char *label) const
    {
        if (desktop->boxes().size() != 1)
            return false;
        const QString &text = desktop->boxes().front().request.text;
        return text.contains("\r\nFunction: ") && text.contains('.' + QString::fromUtf8(label) + '(');
    }
};
struct TabCase { const char *name; qint32 componentType; const char *subPermission; bool granted; bool reported; };
class TabPermission : public ::testing::TestWithParam<TabCase> {};
TEST_P(TabPermission, AsksTheHostSecurityObject)
{
    const TabCase &c = GetParam();
    Operator op;
    op.module.host.NTConnection = makeSecurityHost({
        {96, {{"ViewAllEvents", true}, {"ChangeProps", false}, {"CopyToClipboard", "True"}, {"Archive", qint32(0)}}},
        {12, {{"AcknowledgeAlarms", qint32(-1)}}}});
    EXPECT_EQ(Permissions(op.module).CheckTabPermission(c.componentType, c.subPermission), c.granted);
    EXPECT_EQ(op.reported("MPublic.CheckTabPermission"), c.reported);
    EXPECT_EQ(op.desktop->boxes().empty(), !c.reported);
}
INSTANTIATE_TEST_SUITE_P(Permissions, TabPermission, ::testing::Values(
    TabCase{"True", 96, "ViewAllEvents", true, false}, TabCase{"False", 96, "ChangeProps", false, false},
    TabCase{"TrueText", 96, "CopyToClipboard", true, false}, TabCase{"Zero", 96, "Archive", false, false},
    TabCase{"MinusOne", 12, "AcknowledgeAlarms", true, false}, TabCase{"OtherComponent", 12, "ViewAllEvents", false, true},
    TabCase{"Unknown", 96, "Unknown", false, true}), rowName);
TEST(Permissions, NoHostAndSetPermissions)
{
    Operator noHost;
    EXPECT_FALSE(Permissions(noHost.module).CheckTabPermission(96, "ViewAllEvents"));
    EXPECT_TRUE(noHost.reported("MPublic.CheckTabPermission"));
    // SetPermissions asks for ViewAllEvents of component 96 and keeps no earlier answer.
    for (const bool granted : {true, false}) {
        Operator op;
        op.module.host.NTConnection = makeSecurityHost({{granted ? 96 : 12, {{"ViewAllEvents", true}}}});
        op.module.filter.CanViewAllEvents = !granted;
        Permissions(op.module).SetPermissions();
        EXPECT_EQ(op.module.filter.CanViewAllEvents, granted);
        EXPECT_EQ(op.reported("MPublic.CheckTabPermission"), !granted);
    }
}
// Operator 900 of role 9 at workstation 5, with routing of its own: software events of \\SRV9 are
// denied, card holder 9000's credential 90001 is denied, and second-family host 1 is denied.
struct RoutingSite : Operator {
    RoutingSite()
    {
        execute({"INSERT INTO Roles VALUES (9, 'Routing Test')",
                 "INSERT INTO Operators VALUES (900, 'router', 'Routing Tester', 9, 1, 0, 0)",
                 "INSERT INTO RoutingRules VALUES (90, 9, 0, 1000, 1500, '\\\\SRV9%', 1)",
                 "INSERT INTO RoutingRules VALUES (91, 9, 0, 0, 99999, '%', 0)",
                 "INSERT INTO CardHolders VALUES (9000, 'Denied', 'Dana', 77)",
                 "INSERT INTO Credentials VALUES (90001, 990001, 9000, 1)",
                 "INSERT INTO RoutingDepartmentDenials VALUES (9, 0, 77)",
                 "INSERT INTO ZEKO_RoutingHostDenials VALUES (9, 1)"});
    }
    // Gives a procedure another body (as a different server might answer), or none.
    void replaceProcedure(const char *name, const char *body)
    {
        database.execute(body ? QStringLiteral("UPDATE ov_procedures SET body = '%1' WHERE name = '%2'").arg(body, name)
                              : QStringLiteral("DELETE FROM ov_procedures WHERE name = '%1'").arg(name));
    }
    // Whether the event is denied, with the statements sent to decide it.
    std::pair<bool, QStringList> ask(qint32 eventId, const QString &address, qint32 cred1, qint32 cred2, qint32 host1, qint32 host2)
    {
        database.startTrace();
        const bool denied = Permissions(module).Role_EventDenied(900, 5, eventId, address, cred1, cred2, host1, host2);
        return {denied, database.takeTrace()};
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
const QString software = QStringLiteral(R"(\\SRV9.1.1)");
const QString zeko = QStringLiteral(R"(\\ZEKO01.1.DR01)");
struct DenialCase { const char *name; qint32 eventId; QString address; qint32 cred1, cred2, host1, host2; int procedures; bool denied; };
class RoleEventDenied : public ::testing::TestWithParam<DenialCase> {};
TEST_P(RoleEventDenied, AsksTheProceduresThatApply)
{
    const DenialCase &c = GetParam();
    RoutingSite site;
    const auto [denied, statements] = site.ask(c.eventId, c.address, c.cred1, c.cred2, c.host1, c.host2);
    EXPECT_EQ(denied, c.denied);
    EXPECT_EQ(statements, statementsOf(c.procedures, c.eventId, c.address, c.cred1, c.cred2, c.host1, c.host2));
    EXPECT_TRUE(site.desktop->boxes().empty());
}
INSTANTIATE_TEST_SUITE_P(Permissions, RoleEventDenied, ::testing::Values(
    DenialCase{"DeniedByEventRule", 1200, software, 90001, 0, 1, 1, First, true},
    DenialCase{"TransactionBelowBand", 1999, door, 90001, 0, 0, 0, First, false},
    DenialCase{"FirstTransactionOfBand", 2000, door, 90001, 0, 0, 0, First | Second, true},
    DenialCase{"LastTransactionOfBand", 3999, door, 90001, 0, 0, 0, First | Second, true},
    DenialCase{"ExternalAboveBand", 4000, door, 90001, 0, 0, 0, First, false},
    DenialCase{"NoCredential", 2500, door, 0, 90001, 0, 0, First, false},
    DenialCase{"FirstCredentialOneSecondDenied", 2500, door, 1, 90001, 0, 0, First | Second, true},
    DenialCase{"CredentialOfNobody", 2500, door, 5, 0, 0, 0, First | Second, false},
    DenialCase{"NoHostIds", 80010, zeko, 0, 0, 0, 0, First, false},
    DenialCase{"FirstHostIdDenied", 80010, zeko, 0, 0, 1, 0, First | Third, true},
    DenialCase{"SecondHostIdDenied", 80010, zeko, 0, 0, 0, 1, First | Third, true},
    DenialCase{"DeniedCredentialClearHost", 2500, door, 90001, 0, 2, 0, First | Second | Third, true},
    DenialCase{"ClearCredentialDeniedHost", 2500, door, 5, 0, 0, 1, First | Second | Third, true}), rowName);
// Servers differ in what their procedures answer: no row at all, or a count with words after it;
// a missing procedure is reported and what was decided before it stands.
struct AnswerCase { const char *name; const char *procedure; const char *body; qint32 cred1, host1; int procedures; bool denied; };
class ProcedureAnswer : public ::testing::TestWithParam<AnswerCase> {};
TEST_P(ProcedureAnswer, DecidesTheDenial)
{
    const AnswerCase &c = GetParam();
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
constexpr const char *noRow = "SELECT 1 AS DeniedCount WHERE 0 = 1", *first = "rp_Role_Routing_DeniedCount",
                     *third = "ZEKO_Role_Routing_SysTranDeniedCount"; // body nullptr: the procedure is missing
INSTANTIATE_TEST_SUITE_P(Permissions, ProcedureAnswer, ::testing::Values(
    AnswerCase{"FirstWithoutRow", first, noRow, 90001, 1, First, false},
    AnswerCase{"CountReadAsLeadingNumber", first, "SELECT ''2 rules'' AS DeniedCount", 90001, 1, First, true},
    AnswerCase{"NegativeCount", first, "SELECT -3 AS DeniedCount", 90001, 0, First | Second, true},
    AnswerCase{"SecondWithoutRow", "rp_Role_Routing_SysTranDeniedCount", noRow, 90001, 0, First | Second, false},
    AnswerCase{"ThirdWithoutRowClearsDenial", third, noRow, 90001, 1, First | Second | Third, false},
    AnswerCase{"ThirdCountingWords", third, "SELECT ''0 of 4'' AS DeniedCount", 90001, 1, First | Second | Third, true},
    AnswerCase{"FirstMissing", first, nullptr, 90001, 1, 0, false},
    AnswerCase{"ThirdMissingAfterDenial", third, nullptr, 90001, 1, 0, true},
    AnswerCase{"ThirdMissingWithoutDenial", third, nullptr, 5, 1, 0, false}), rowName);
TEST(Permissions, RoleEventDeniedWithoutConnectionIsReported)
{
    Operator noConnection;
    noConnection.module.host.DBConnection.reset();
    EXPECT_FALSE(Permissions(noConnection.module).Role_EventDenied(900, 5, 2500, door, 1, 0, 1, 0));
    EXPECT_TRUE(noConnection.reported("MPublic.Role_EventDenied"));
}
} // namespace
} // namespace Ostraven::Testing
