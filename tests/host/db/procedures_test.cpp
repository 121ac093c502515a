#include "support/testdatabase.h"

#include <QStringList>

namespace Ostraven::Testing {
namespace {

using Procedures = HostDbTest;

// Demo site: operator 101 is the administrator, 102 a guard (workstations 2 and 3), 103 a
// supervisor. Credential 1007 belongs to a card holder of the Executive department.
TEST_F(Procedures, RoutingCountsTheRulesThatDenyAnEvent)
{
    struct Case {
        const char *sql;
        int denied;
    };
    const Case cases[] = {
        {"EXEC rp_Role_Routing_DeniedCount 102,2,5020,'\\\\SRV1.1.3.IN02'", 1},  // guards: no server room
        {"EXEC rp_Role_Routing_DeniedCount 102,2,5020,'\\\\srv1.1.3.in02'", 1},  // addresses ignore case
        {"EXEC rp_Role_Routing_DeniedCount 101,1,5020,'\\\\SRV1.1.3.IN02'", 0},  // the administrator sees it
        {"EXEC rp_Role_Routing_DeniedCount 102,2,1001,'\\\\SRV1'", 1},           // guards: no software events
        {"EXEC rp_Role_Routing_DeniedCount 102,2,5000,'\\\\SRV1.1.1.DR01'", 0},  // the grant row denies nothing
        {"EXEC rp_Role_Routing_DeniedCount 102,3,2000,'\\\\SRV1.2.1.RD01'", 1},  // only at GUARD-DESK-02
        {"EXEC rp_Role_Routing_DeniedCount 102,2,2000,'\\\\SRV1.2.1.RD01'", 0},
        {"EXEC rp_Role_Routing_DeniedCount 103,1,80200,'\\\\ZEKO02.2.1'", 1},
        {"EXEC rp_Role_Routing_DeniedCount 103,1,80200,'\\\\ZEKO01.2.3'", 0},
        {"EXEC rp_Role_Routing_DeniedCount 999,1,5020,'\\\\SRV1.1.3.IN02'", 0},  // unknown operator
        {"EXEC rp_Role_Routing_SysTranDeniedCount 102,2,1007,0", 1},
        {"EXEC rp_Role_Routing_SysTranDeniedCount 102,2,1001,1007", 1},
        {"EXEC rp_Role_Routing_SysTranDeniedCount 102,2,1001,0", 0},
        {"EXEC rp_Role_Routing_SysTranDeniedCount 103,1,1007,0", 0},
        {"EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,9001,0", 1},
        {"EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,0,9001", 1},
        {"EXEC ZEKO_Role_Routing_SysTranDeniedCount 102,0,0", 0},
        {"EXEC ZEKO_Role_Routing_SysTranDeniedCount 101,9001,0", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sql);
        const auto found = rows(QString::fromUtf8(c.sql));
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(CLng(found.front().front()), c.denied);
    }
}

TEST_F(Procedures, GrantedTimeZonesAndZoneDefinitions)
{
    const auto zonesOf = [this](int user) {
        QStringList zones;
        for (const auto &row : rows(QStringLiteral("EXEC rp_Role_Routing_Granted_Timezones %1").arg(user)))
            zones << CStr(row[0]);
        return zones.join(u',');
    };
    EXPECT_EQ(zonesOf(101), QStringLiteral("2"));  // always
    EXPECT_EQ(zonesOf(102), QStringLiteral("6"));  // the guard shifts master zone
    EXPECT_EQ(zonesOf(103), QStringLiteral("3,4"));
    EXPECT_EQ(zonesOf(999), QString());

    // A master zone's members are global zone numbers that the zone procedure answers for.
    for (const auto &member : rows(QStringLiteral("select * from mastertimezonestotimezones where mastertimezoneid=20"))) {
        const int zone = CLng(member[1]);
        SCOPED_TRACE(zone);
        const auto info = rows(QStringLiteral("rp_FetchTimeZoneInfo %1").arg(zone));
        ASSERT_EQ(info.size(), 1u);
    }

    const std::unique_ptr<Recordset> business = db().openRecordset(QStringLiteral("rp_FetchTimeZoneInfo 10"));
    ASSERT_FALSE(business->eof());
    EXPECT_EQ(business->field(QStringLiteral("Sunday")), Variant(false));
    EXPECT_EQ(business->field(QStringLiteral("Monday")), Variant(true));
    EXPECT_EQ(business->field(QStringLiteral("StartTime")), Variant("07:00"));
    EXPECT_TRUE(rows(QStringLiteral("rp_FetchTimeZoneInfo 99")).empty());
}

TEST_F(Procedures, RegistryReadGivesTheServersOwnValueLast)
{
    const auto own = rows(QStringLiteral("EXEC RegistryRead 'SRV1','PaxServer','EnableRouting'"));
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own.back().front(), Variant("True"));
    const auto other = rows(QStringLiteral("EXEC RegistryRead 'SRV9','PaxServer','EnableRouting'"));
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other.back().front(), Variant("False"));
    EXPECT_TRUE(rows(QStringLiteral("EXEC RegistryRead 'SRV1','PaxServer','NoSuchKey'")).empty());
}

TEST_F(Procedures, ProfileDetailsAreInsertedOrReplaced)
{
    const QString lookUp = QStringLiteral("Select [Value] From Profile_Details Where ProfileID = 3 AND ObjectID = 4 AND "
                                          "Property = '%1'");
    db().execute(QStringLiteral("ZUL_Update_Profile_Persisted_Details 3, 4, 'MaxLines', '250'"));
    db().execute(QStringLiteral("ZUL_Update_Profile_Persisted_Details 3, 4, 'Height', '6000'"));
    db().execute(QStringLiteral("ZUL_Update_Profile_Persisted_Details 3, 4, 'ColumnHeaders', N'ID][Event''s "
                                "Nümmer][1][58][True'"));
    EXPECT_EQ(scalar(lookUp.arg(QStringLiteral("MaxLines"))), Variant("250"));
    EXPECT_EQ(scalar(lookUp.arg(QStringLiteral("Height"))), Variant("6000"));
    EXPECT_EQ(scalar(lookUp.arg(QStringLiteral("ColumnHeaders"))), Variant("ID][Event's Nümmer][1][58][True"));
    EXPECT_EQ(CLng(scalar(QStringLiteral("Select count(*) From Profile_Details Where ProfileID = 3 AND ObjectID = 4"))),
              8);
}

// The properties dialog creates a group through a command with an output parameter, writes its
// rows, points the profile at it, and may delete it again.
TEST_F(Procedures, FilterGroupLifecycle)
{
    Command insert(QStringLiteral("ZUL_InsertEventFilterGroup"));
    insert.append(QStringLiteral("SiteID"), ParameterDirection::Input, qint32(0));
    insert.append(QStringLiteral("GroupName"), ParameterDirection::Input, QStringLiteral("Nachtschicht – Süd"));
    insert.append(QStringLiteral("ReturnedID"), ParameterDirection::Output);
    insert.append(QStringLiteral("OperatorID"), ParameterDirection::Input, qint32(103));
    db().execute(insert);
    const qint32 group = CLng(insert.parameter(QStringLiteral("ReturnedID")).value);
    EXPECT_EQ(group, 3); // after the two demo groups

    const auto groupsOf = [this](int user) {
        QStringList names;
        for (const auto &row : rows(QStringLiteral("ZUL_Roles_Fetch_EventFilterGroups 1, %1").arg(user)))
            names << CStr(row[0]) + u' ' + CStr(row[1]);
        return names.join(u'|');
    };
    EXPECT_EQ(groupsOf(101), QStringLiteral("1 Front Entrance & Alarms|2 Hide Warehouse & Annex|3 Nachtschicht – Süd"));
    EXPECT_EQ(groupsOf(102), QStringLiteral("1 Front Entrance & Alarms"));
    EXPECT_EQ(groupsOf(103), QStringLiteral("2 Hide Warehouse & Annex|3 Nachtschicht – Süd"));

    db().execute(QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, "
                                "SQL)Values (%1, N'Nachtschicht – Süd', 0, N'5001', N'((Event is ''5001'') )', "
                                "N'(([ID] = 5001) )')")
                     .arg(group));
    db().execute(QStringLiteral("Update Profile_Details Set Value = '%1' Where Property = 'FilterGroupID' AND ObjectID = "
                                "4 AND ProfileID = 3")
                     .arg(group));
    EXPECT_EQ(rows(QStringLiteral("Select * from EventFilters Where GroupID = %1").arg(group)).size(), 1u);

    db().execute(QStringLiteral("ZUL_DeleteFilterGroup %1").arg(group));
    EXPECT_TRUE(rows(QStringLiteral("Select * from EventFilters Where GroupID = %1").arg(group)).empty());
    EXPECT_EQ(groupsOf(103), QStringLiteral("2 Hide Warehouse & Annex"));
    EXPECT_EQ(scalar(QStringLiteral("Select [Value] From Profile_Details Where ProfileID = 3 AND ObjectID = 4 AND "
                                    "Property = 'FilterGroupID'")),
              Variant("0"));
    // Another group's rows and the profiles that point at it stay.
    EXPECT_EQ(rows(QStringLiteral("Select * from EventFilters Where GroupID = 1")).size(), 4u);
    EXPECT_EQ(scalar(QStringLiteral("Select [Value] From Profile_Details Where ProfileID = 2 AND ObjectID = 4 AND "
                                    "Property = 'FilterGroupID'")),
              Variant("1"));
}

} // namespace
} // namespace Ostraven::Testing
