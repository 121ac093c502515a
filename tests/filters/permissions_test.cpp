#include "filtersite.h"
#include "filters/permissions.h"
#include <QHash>

namespace Ostraven::Testing {
namespace {
// An object answering one property with what get returns.
std::shared_ptr<MemberTable> answering(const QString &member, std::function<Variant(Args &)> get)
{
    auto object = std::make_shared<MemberTable>();
    object->onGet(member, std::move(get));
    return object;
}

// A host security object: the sub-permissions it knows per component type, with their CanView
// values. An unknown name fails as indexing the host's collection does.
DispatchPtr makeSecurityHost(const QHash<qint32, QHash<QString, Variant>> &known)
{
    return answering("Security", [known](Args &) {
        auto type = std::make_shared<qint32>(0);
        auto security = answering("SubPermissions", [known, type](Args &) {
            return Variant(DispatchPtr(answering("Item", [names = known.value(*type)](Args &args) {
                if (!names.contains(CStr(args.at(0))))
                    throw VbError::fromNumber(VbError::SubscriptOutOfRange);
                return Variant(DispatchPtr(answering("CanView", [canView = names.value(CStr(args.at(0)))](Args &) { return canView; })));
            })));
        });
        security->onPut("ComponentType", [type](Args &args) { *type = CLng(args.at(0)); return Variant(); });
        return Variant(DispatchPtr(security));
    });
}
const QString door = QStringLiteral(R"(\\SRV1.1.1.DR01)"), software = QStringLiteral(R"(\\SRV9.1.1)"),
              zeko = QStringLiteral(R"(\\ZEKO01.1.DR01)");

struct TabCase { const char *name; qint32 componentType; const char *subPermission; bool granted, reported, host = true; };
class TabPermission : public ::testing::TestWithParam<TabCase> {};
TEST_P(TabPermission, AsksTheHostSecurityObject)
{
    const TabCase &c = GetParam();
    FilterSite op;
    if (c.host)
        op.module.host.NTConnection = makeSecurityHost({
            {96, {{"ViewAllEvents", true}, {"ChangeProps", false}, {"CopyToClipboard", "True"}, {"Archive", qint32(0)}}},
            {12, {{"AcknowledgeAlarms", qint32(-1)}}}});
    EXPECT_EQ(Permissions(op.module).CheckTabPermission(c.componentType, c.subPermission), c.granted);
    EXPECT_EQ(op.labels(), c.reported ? Texts{"MPublic.CheckTabPermission"} : Texts{});
}

INSTANTIATE_TEST_SUITE_P(Permissions, TabPermission, ::testing::Values(
    TabCase{"True", 96, "ViewAllEvents", true, false}, TabCase{"False", 96, "ChangeProps", false, false},
    TabCase{"TrueText", 96, "CopyToClipboard", true, false}, TabCase{"Zero", 96, "Archive", false, false},
    TabCase{"MinusOne", 12, "AcknowledgeAlarms", true, false}, TabCase{"OtherComponent", 12, "ViewAllEvents", false, true},
    TabCase{"Unknown", 96, "Unknown", false, true}, TabCase{"NoHost", 96, "ViewAllEvents", false, true, false}), rowName);

TEST(Permissions, NoConnectionAndSetPermissions)
{
    FilterSite noConnection;
    noConnection.module.host.DBConnection.reset();
    EXPECT_FALSE(Permissions(noConnection.module).Role_EventDenied(900, 5, 2500, door, 1, 0, 1, 0));
    EXPECT_EQ(noConnection.labels(), Texts{"MPublic.Role_EventDenied"});
    // SetPermissions asks for ViewAllEvents of component 96 and keeps no earlier answer.
    for (const bool granted : {true, false}) {
        FilterSite op;
        op.module.host.NTConnection = makeSecurityHost({{granted ? 96 : 12, {{"ViewAllEvents", true}}}});
        op.module.filter.CanViewAllEvents = !granted;
        Permissions(op.module).SetPermissions();
        EXPECT_EQ(std::pair(op.module.filter.CanViewAllEvents, op.labels()), std::pair(granted, granted ? Texts{} : Texts{"MPublic.CheckTabPermission"}));
    }
}
enum Procedures { First = 1, Second = 2, Third = 4 };
// Servers differ in what their procedures answer: a row may give a procedure another body (no row at
// all, or a count with words after it) or none; a missing procedure is reported and what was decided
// before it stands.
struct DenialCase { const char *name; qint32 eventId; QString address; qint32 cred1, cred2, host1, host2; int procedures; bool denied; const char *procedure = nullptr, *body = nullptr; };
// Denied there: software events of \\SRV9, card holder 9000's credential 90001 and second-family host 1.
class RoleEventDenied : public ::testing::TestWithParam<DenialCase> {};
TEST_P(RoleEventDenied, AsksTheProceduresThatApply)
{
    const DenialCase &c = GetParam();
    FilterSite site; // operator 900 of role 9 at workstation 5, with routing of its own
    site.execute({"INSERT INTO Roles VALUES (9, 'Routing Test')", "INSERT INTO Operators VALUES (900, 'router', 'Routing Tester', 9, 1, 0, 0)",
                  "INSERT INTO RoutingRules VALUES (90, 9, 0, 1000, 1500, '\\\\SRV9%', 1), (91, 9, 0, 0, 99999, '%', 0)",
                  "INSERT INTO CardHolders VALUES (9000, 'Denied', 'Dana', 77)", "INSERT INTO Credentials VALUES (90001, 990001, 9000, 1)",
                  "INSERT INTO RoutingDepartmentDenials VALUES (9, 0, 77)", "INSERT INTO ZEKO_RoutingHostDenials VALUES (9, 1)"});
    if (c.procedure)
        site.database.execute(c.body ? QStringLiteral("UPDATE ov_procedures SET body = '%1' WHERE name = '%2'").arg(c.body, c.procedure)
                                     : QStringLiteral("DELETE FROM ov_procedures WHERE name = '%1'").arg(c.procedure));
    site.database.startTrace();
    EXPECT_EQ(Permissions(site.module).Role_EventDenied(900, 5, c.eventId, c.address, c.cred1, c.cred2, c.host1, c.host2), c.denied);
    const QStringList statements = site.database.takeTrace();
    EXPECT_EQ(site.labels(), c.procedure && !c.body ? Texts{"MPublic.Role_EventDenied"} : Texts{});
    if (c.procedure && !c.body)
        return;
    QStringList expected;
    if (c.procedures & First)
        expected << QStringLiteral("EXEC rp_Role_Routing_DeniedCount 900,5,%1,'%2'").arg(c.eventId).arg(c.address);
    if (c.procedures & Second)
        expected << QStringLiteral("EXEC rp_Role_Routing_SysTranDeniedCount 900,5,%1,%2").arg(c.cred1).arg(c.cred2);
    if (c.procedures & Third)
        expected << QStringLiteral("EXEC ZEKO_Role_Routing_SysTranDeniedCount 900,%1,%2").arg(c.host1).arg(c.host2);
    EXPECT_EQ(statements, expected);
}
constexpr const char *noRow = "SELECT 1 AS DeniedCount WHERE 0 = 1", *first = "rp_Role_Routing_DeniedCount", *third = "ZEKO_Role_Routing_SysTranDeniedCount";
using D = DenialCase;
INSTANTIATE_TEST_SUITE_P(Permissions, RoleEventDenied, ::testing::Values(
    D{"DeniedByEventRule", 1200, software, 90001, 0, 1, 1, First, true},
    D{"TransactionBelowBand", 1999, door, 90001, 0, 0, 0, First, false},
    D{"FirstTransactionOfBand", 2000, door, 90001, 0, 0, 0, First | Second, true},
    D{"LastTransactionOfBand", 3999, door, 90001, 0, 0, 0, First | Second, true},
    D{"ExternalAboveBand", 4000, door, 90001, 0, 0, 0, First, false},
    D{"NoCredential", 2500, door, 0, 90001, 0, 0, First, false},
    D{"FirstCredentialOneSecondDenied", 2500, door, 1, 90001, 0, 0, First | Second, true},
    D{"CredentialOfNobody", 2500, door, 5, 0, 0, 0, First | Second, false},
    D{"NoHostIds", 80010, zeko, 0, 0, 0, 0, First, false},
    D{"FirstHostIdDenied", 80010, zeko, 0, 0, 1, 0, First | Third, true},
    D{"SecondHostIdDenied", 80010, zeko, 0, 0, 0, 1, First | Third, true},
    D{"DeniedCredentialClearHost", 2500, door, 90001, 0, 2, 0, First | Second | Third, true},
    D{"ClearCredentialDeniedHost", 2500, door, 5, 0, 0, 1, First | Second | Third, true},
    D{"FirstWithoutRow", 2500, door, 90001, 0, 1, 0, First, false, first, noRow},
    D{"CountReadAsLeadingNumber", 2500, door, 90001, 0, 1, 0, First, true, first, "SELECT ''2 rules'' AS DeniedCount"},
    D{"NegativeCount", 2500, door, 90001, 0, 0, 0, First | Second, true, first, "SELECT -3 AS DeniedCount"},
    D{"SecondWithoutRow", 2500, door, 90001, 0, 0, 0, First | Second, false, "rp_Role_Routing_SysTranDeniedCount", noRow},
    D{"ThirdWithoutRowClearsDenial", 2500, door, 90001, 0, 1, 0, First | Second | Third, false, third, noRow},
    D{"ThirdCountingWords", 2500, door, 90001, 0, 1, 0, First | Second | Third, true, third, "SELECT ''0 of 4'' AS DeniedCount"},
    D{"FirstMissing", 2500, door, 90001, 0, 1, 0, 0, false, first},
    D{"ThirdMissingAfterDenial", 2500, door, 90001, 0, 1, 0, 0, true, third},
    D{"ThirdMissingWithoutDenial", 2500, door, 5, 0, 1, 0, 0, false, third}), rowName);
} // namespace
} // namespace Ostraven::Testing
