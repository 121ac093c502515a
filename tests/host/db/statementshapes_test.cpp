#include "support/testdatabase.h"

#include "host/db/sqlitefile.h"

#include <QStringList>

namespace Ostraven::Testing {
namespace {

using StatementShapes = HostDbTest;

// The statements the viewer sends to look things up, exactly as it writes them, with what the
// demo site must answer.
TEST_F(StatementShapes, LookUpsAnswerWhatTheViewerReads)
{
    struct Case {
        const char *sql;
        int rowCount;
        Variant first; // column 0 of the first row; Empty when any value will do
    };
    const Case cases[] = {
        {"Select EventID, ZEKOEventType, IsAlarm from ZEKO_EventDefinitions", 13, qint32(80001)},
        {"Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = 80200", 1, qint32(22)},
        {"Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = 10001", 1, qint32(10001)},
        {"Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = 15000", 0, {}},
        {"Select [Value] From MiscProperties Where [Name] = 'EV_ShowMS'", 1, "False"},
        {"SELECT GlobalTimeZoneID, [Type] FROM GenericTimeZones WHERE GenericTimeZoneID=6", 1, qint32(20)},
        {"select * from mastertimezonestotimezones where mastertimezoneid=20", 3, qint32(20)},
        {"Select Address From ServerPorts Where PortID = 2", 1, "\\\\SRV1.2"},
        {"Select Address From ZEKO_Controllers Where ID = 1", 1, "\\\\ZEKO01"},
        {"Select DoorID From Doors Where Address = '\\\\srv1.1.1.dr01'", 1, qint32(1)},
        {"Select DoorID From ZEKO_Doors Where Address = '\\\\ZEKO01.1.DR01'", 1, qint32(501)},
        {"Select * From Sites Order By SiteDescr desc", 2, qint32(2)},
        {"Select PortID, PortName From ServerPorts Order By PortName desc", 4, qint32(4)},
        {"Select Controller_ID as ID, Controller_Name as [Name], 1 From Controllers  Union Select ID, [Name], 2 "
         "From ZEKO_Controllers Order By [Name] desc",
         9, qint32(5)},
        {"Select EventID, DefaultDescription, Description From [ZEKO_EventDefinitions] Where DefaultDescription "
         "Not Like 'Undefined%' Order By eventID desc",
         12, qint32(80501)},
        {"Select [Value] From Profile_Details Where ProfileID = 1 AND ObjectID = 4 AND Property = 'RedrawRate'", 1,
         "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sql);
        const auto found = rows(QString::fromUtf8(c.sql));
        ASSERT_EQ(int(found.size()), c.rowCount);
        if (!c.first.isEmpty()) {
            EXPECT_EQ(found.front().front(), c.first);
        }
    }
}

TEST_F(StatementShapes, EveryEventPickerQueryRunsInBothHardwareModes)
{
    QStringList heads;
    for (const char *table : {"IntegratedEvents", "InternalEvents", "PortEvents ", "MISCEvents ", "ArdoEvents ",
                              "ProgrammingEvents ", "Alarms ", "ExternalEvents ", "SystemTransactionEvents ",
                              "SoftwareTransactionEvents "})
        heads << QStringLiteral("Select EventID, DefaultDescription, Description From %1 Where ").arg(table);
    const QString tail = QStringLiteral(" DefaultDescription Not Like 'Undefined%' Order By eventID desc");
    const QString internalTail = QStringLiteral(" DefaultDescription Not Like 'Undefined%'  Order By eventID desc");
    const QString withoutSecondFamily = QStringLiteral("DefaultDescription Not Like '%PELA*Bus%' AND ");
    int withHardware = 0;
    int withoutHardware = 0;
    for (const QString &head : heads) {
        SCOPED_TRACE(head.toStdString());
        const QString end = head.contains(QLatin1String("InternalEvents")) ? internalTail : tail;
        const auto all = rows(head + end);
        const auto firstFamily = rows(head + withoutSecondFamily + end);
        ASSERT_FALSE(all.empty());
        EXPECT_GT(CLng(all.front()[0]), CLng(all.back()[0])); // newest number first
        for (const auto &row : all)
            EXPECT_FALSE(CStr(row[1]).startsWith(QLatin1String("Undefined")));
        withHardware += int(all.size());
        withoutHardware += int(firstFamily.size());
    }
    // The PELA*Bus definitions (one external, one internal) are hidden without second-family hardware.
    EXPECT_EQ(withHardware - withoutHardware, 2);
}

// The archive statement as the loader builds it: with "Top" when there is no condition, without it
// when a type filter or a filter group adds one. Counts are checked against SQLite's own functions.
TEST_F(StatementShapes, ArchiveStatementWithAndWithoutConditions)
{
    SqliteFile native(path(), SqliteFile::OpenMode::OpenExisting);
    const QString base = QStringLiteral("SELECT count(*) FROM VIEW_EventLog_AllEvents ");
    const QString tail = QStringLiteral("substr(Address, instr(Address, '.') + 1)");
    struct Case {
        QString condition;
        QString nativeCondition;
    };
    const Case cases[] = {
        // the type filter alone
        {"Where Type like N'%Alarm%'", "WHERE Type LIKE '%alarm%'"},
        {"Where Type like N'%Communication%'", "WHERE Type LIKE '%Communication%'"},
        // an include group stored with the dialog's ready-made clauses: event and controller, port, Ardo
        {" Where ((([ID] = 2000) AND (Address LIKE '\\\\SRV1.1.1%')) OR (Address NOT LIKE '\\\\ZEKO%' AND "
         "('\\\\' + Substring(Address, CharIndex('.',Address,1) + 1,30) LIKE '\\\\1.2%')) OR (Address NOT LIKE "
         "'\\\\ZEKO%' AND Address LIKE '\\\\SRV1.3%'))",
         "WHERE (ID = 2000 AND Address LIKE '\\\\SRV1.1.1%') OR (Address NOT LIKE '\\\\ZEKO%' AND " + tail +
             " LIKE '1.2%') OR (Address NOT LIKE '\\\\ZEKO%' AND Address LIKE '\\\\SRV1.3%')"},
        // an exclude group in the older form: the builder's own clause for "\\SRV1.2" and "\\ZEKO02"
        {" Where NOT ( (Address NOT LIKE '\\\\ZEKO%' AND ('\\\\' + Substring(Address, CharIndex('.',Address,1) + "
         "1,30) LIKE '\\\\2%'))) OR   (Address LIKE '\\\\ZEKO02%')",
         "WHERE NOT (Address NOT LIKE '\\\\ZEKO%' AND " + tail + " LIKE '2%') OR Address LIKE '\\\\ZEKO02%'"},
        // the older form of an event number alone, and a type filter joined to a group clause
        {" Where  ([ID] =5000 )", "WHERE ID = 5000"},
        {"Where Type like N'%Transaction%' AND NOT ( ([ID] =2000 ))",
         "WHERE Type LIKE '%Transaction%' AND ID <> 2000"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.condition.toStdString());
        const auto found = rows(QStringLiteral("Select DISTINCT  * from [VIEW_EventLog_AllEvents] ") + c.condition +
                                QStringLiteral(" order by [dbDate] desc"));
        const qint64 expected = native.queryInt(base + c.nativeCondition);
        ASSERT_GT(expected, 0);
        EXPECT_EQ(qint64(found.size()), expected);
        for (std::size_t i = 1; i < found.size(); ++i)
            ASSERT_GE(found[i - 1][1].asDate(), found[i][1].asDate());
    }

    const auto newest = rows(QStringLiteral("Select DISTINCT Top 100 * from [VIEW_EventLog_AllEvents]  order by "
                                            "[dbDate] desc"));
    ASSERT_EQ(newest.size(), 100u);
    const std::vector<Variant> &row = newest.front();
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(row[1].type(), VarType::Date);
    EXPECT_EQ(row[3].type(), VarType::Long);
    const Date end = Date::fromDateTime(TestDatabase::options(TestDatabase::Site::Demo).archiveEnd);
    EXPECT_LE(row[1].asDate(), end.addMilliseconds(1500));
    EXPECT_GE(row[1].asDate(), end.addMilliseconds(-6 * 3600 * 1000));
}

// The credential and photo look-ups find the logged row from the controller time and the
// description, also when the description holds an apostrophe.
TEST_F(StatementShapes, CredentialLookUpsFindTheLoggedEvent)
{
    const auto logged = rows(QStringLiteral("Select dtDate, Description, UID1, NetAddress From Log_Transactions Where "
                                            "Description Like '%O''Brien%' And Event = 2000"));
    ASSERT_FALSE(logged.empty());
    const QString date = logged.front()[0].asDate().format(QStringLiteral("yyyy-mm-dd hh:nn:ss"));
    const QString description = CStr(logged.front()[1]).replace(u'\'', QStringLiteral("''"));
    const QString where = date + QStringLiteral("' and Description = '") + description + u'\'';

    EXPECT_EQ(scalar(QStringLiteral("Select UID1 From Log_Transactions Where dtDate = '") + where), logged.front()[2]);
    const auto photo = rows(QStringLiteral("Select UID1, NetAddress, Event From Log_Transactions Where dtDate = '") + where);
    ASSERT_EQ(photo.size(), 1u);
    QString door = CStr(photo.front()[1]);
    door = door.left(door.size() - 4) + QStringLiteral("DR") + door.right(2);
    EXPECT_GE(CLng(scalar(QStringLiteral("Select DoorID From Doors Where Address = '") + door + u'\'')), 1);

    for (const auto &[table, event, address] : {std::tuple{"AlarmActive", "EventID = 5500", "Address"},
                                                std::tuple{"Log_Misc", "Event = 8020", "NetAddress"}}) {
        SCOPED_TRACE(table);
        const auto found = rows(QStringLiteral("Select dtDate, Description From %1 Where %2").arg(table, event));
        ASSERT_FALSE(found.empty());
        const QString at = QStringLiteral(" From %1 Where dtDate = '").arg(table) +
                           found.front()[0].asDate().format(QStringLiteral("yyyy-mm-dd hh:nn:ss")) +
                           QStringLiteral("' and Description = '") +
                           CStr(found.front()[1]).replace(u'\'', QStringLiteral("''")) + u'\'';
        EXPECT_GT(CLng(scalar(QStringLiteral("Select UID1") + at)), 0);
        EXPECT_EQ(rows(QStringLiteral("Select UID1, %1").arg(address) + at).size(), 1u);
    }
}

// What the properties dialog and the profile store write, read back as they will be read.
TEST_F(StatementShapes, WritesKeepUnicodeApostrophesAndNumbers)
{
    db().execute(QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, "
                                "SQL)Values (9, N'Müller''s Nachtschicht – Süd', 1, N'\\\\ZEKO01', N'(Controller is "
                                "''Laboratory Panel'')', N'(Address LIKE ''\\\\ZEKO01%'')')"));
    const auto group = rows(QStringLiteral("Select * from EventFilters Where GroupID = 9"));
    ASSERT_EQ(group.size(), 1u);
    EXPECT_EQ(CStr(group[0][1]), QStringLiteral("Müller's Nachtschicht – Süd"));
    EXPECT_EQ(CStr(group[0][4]), QStringLiteral("(Controller is 'Laboratory Panel')"));
    EXPECT_EQ(CStr(group[0][5]), QStringLiteral("(Address LIKE '\\\\ZEKO01%')"));

    // WriteProperty: insert where there is no row, update where there is one; the value is unquoted.
    const QString lookUp = QStringLiteral("Select [Value] From Profile_Details Where ProfileID = 3 AND ObjectID = 4 AND "
                                          "Property = 'RedrawRate'");
    EXPECT_TRUE(rows(lookUp).empty());
    db().execute(QStringLiteral("Insert Into Profile_Details  (ProfileID, ObjectID, Property, [Value]) Values "
                                "(3,4,'RedrawRate',0)"));
    db().execute(QStringLiteral("Update Profile_Details Set [Value] = 7 Where ProfileID =3 AND ObjectID = 4 AND "
                                "Property = 'RedrawRate'"));
    EXPECT_EQ(scalar(lookUp), Variant("7"));
}

} // namespace
} // namespace Ostraven::Testing
