#include "hostdbfixture.h"

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
        {"Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = 80001", 1, qint32(20)},
        {"Select ZEKOEventType From [ZEKO_EventDefinitions] Where EventID = 80200", 1, qint32(22)},
        {"Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = 10001", 1, qint32(10001)},
        {"Select * From IntegratedEvents Where IsAlarm = 1 AND EventID = 15000", 0, {}},
        {"Select [Value] From MiscProperties Where [Name] = 'EV_ShowMS'", 1, "False"},
        {"SELECT GlobalTimeZoneID, [Type] FROM GenericTimeZones WHERE GenericTimeZoneID=6", 1, qint32(20)},
        {"SELECT GlobalTimeZoneID, [Type] FROM GenericTimeZones WHERE GenericTimeZoneID=3", 1, qint32(10)},
        {"select * from mastertimezonestotimezones where mastertimezoneid=20", 3, qint32(20)},
        {"Select Address From ServerPorts Where PortID = 2", 1, "\\\\SRV1.2"},
        {"Select Address From Ardoes Where ArdoID = 1", 1, "\\\\SRV1.3"},
        {"Select Address From Controllers Where Controller_ID = 2", 1, "\\\\SRV1.1.2"},
        {"Select Address From ZEKO_Controllers Where ID = 1", 1, "\\\\ZEKO01"},
        {"Select DoorID From Doors Where Address = '\\\\SRV1.1.1.DR01'", 1, qint32(1)},
        {"Select DoorID From Doors Where Address = '\\\\srv1.1.1.dr01'", 1, qint32(1)},
        {"Select DoorID From ZEKO_Doors Where Address = '\\\\ZEKO01.1.DR01'", 1, qint32(501)},
        {"Select * From Sites Order By SiteDescr desc", 2, qint32(2)},
        {"Select PortID, PortName From ServerPorts Order By PortName desc", 4, qint32(4)},
        {"Select ARDOID, ArdoName From Ardoes Order By Ardoname desc", 2, qint32(1)},
        {"Select Controller_ID as ID, Controller_Name as [Name], 1 From Controllers  Order By [Name] desc", 7,
         qint32(5)},
        {"Select Controller_ID as ID, Controller_Name as [Name], 1 From Controllers  Union Select ID, [Name], 2 "
         "From ZEKO_Controllers Order By [Name] desc",
         9, qint32(5)},
        {"Select EventID, DefaultDescription, Description From [ZEKO_EventDefinitions] Where DefaultDescription "
         "Not Like 'Undefined%' Order By eventID desc",
         12, qint32(80501)},
        {"Select * from Profile_Details Where ObjectID = 4 AND ProfileID = 2", 7, qint32(2)},
        {"Select * from EventFilters Where GroupID = 1", 4, qint32(1)},
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

TEST_F(StatementShapes, FlagsComeBackAsBooleansAndProfileRowsByPosition)
{
    const auto definitions = rows(QStringLiteral("Select EventID, ZEKOEventType, IsAlarm from ZEKO_EventDefinitions"));
    EXPECT_EQ(definitions[0][2], Variant(false));
    EXPECT_EQ(definitions[3][0], Variant(qint32(80100)));
    EXPECT_EQ(definitions[3][2], Variant(true));

    QStringList settings;
    for (const auto &row : rows(QStringLiteral("Select * from Profile_Details Where ObjectID = 4 AND ProfileID = 2")))
        settings << CStr(row[2]) + u'=' + CStr(row[3]);
    EXPECT_TRUE(settings.contains(QStringLiteral("FilterGroupID=1")));
    EXPECT_TRUE(settings.contains(QStringLiteral("MaxLines=Use Object Default")));
}

TEST_F(StatementShapes, EveryEventPickerQueryRunsInBothHardwareModes)
{
    const QStringList heads = {
        "Select EventID, DefaultDescription, Description From IntegratedEvents Where ",
        "Select EventID, DefaultDescription, Description From InternalEvents Where ",
        "Select EventID, DefaultDescription, Description From PortEvents  Where ",
        "Select EventID, DefaultDescription, Description From MISCEvents  Where ",
        "Select EventID, DefaultDescription, Description From ArdoEvents  Where ",
        "Select EventID, DefaultDescription, Description From ProgrammingEvents  Where ",
        "Select EventID, DefaultDescription, Description From Alarms  Where ",
        "Select EventID, DefaultDescription, Description From ExternalEvents  Where ",
        "Select EventID, DefaultDescription, Description From SystemTransactionEvents  Where ",
        "Select EventID, DefaultDescription, Description From SoftwareTransactionEvents  Where ",
    };
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
    EXPECT_EQ(row[0].type(), VarType::Date);
    EXPECT_EQ(row[1].type(), VarType::Date);
    EXPECT_EQ(row[3].type(), VarType::Long);
    const Date end = Date::fromDateTime(demoOptions().archiveEnd);
    EXPECT_LE(row[1].asDate(), end.addMilliseconds(1500));
    EXPECT_GE(row[1].asDate(), end.addMilliseconds(-6 * 3600 * 1000));
}

TEST_F(StatementShapes, ArchiveRowsReadByPositionAsTheLoaderDoes)
{
    const auto software = rows(QStringLiteral("Select DISTINCT  * from [VIEW_EventLog_AllEvents] Where Type like "
                                              "N'%Software%' order by [dbDate] desc"));
    ASSERT_FALSE(software.empty());
    // First-family software events carry no controller time.
    EXPECT_TRUE(software.front()[0].asDate().isNullDate() || CLng(software.front()[3]) >= 80000);

    const auto transactions = rows(QStringLiteral("Select DISTINCT  * from [VIEW_EventLog_AllEvents] Where Type like "
                                                  "N'%Transaction%' AND [ID] = 2000 order by [dbDate] desc"));
    ASSERT_FALSE(transactions.empty());
    const std::vector<Variant> &granted = transactions.front();
    EXPECT_TRUE(CStr(granted[2]).contains(QLatin1String(".RD0")));
    EXPECT_EQ(CStr(granted[4]), QStringLiteral("KORA*GATE Transaction"));
    EXPECT_TRUE(CStr(granted[5]).startsWith(QLatin1String("Access Granted: ")));
    EXPECT_GE(CLng(granted[6]), 1001);
    EXPECT_EQ(CLng(granted[7]), 0);
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

    const auto alarm = rows(QStringLiteral("Select dtDate, Description From AlarmActive Where EventID = 5500"));
    ASSERT_FALSE(alarm.empty());
    const QString alarmWhere = alarm.front()[0].asDate().format(QStringLiteral("yyyy-mm-dd hh:nn:ss")) +
                               QStringLiteral("' and Description = '") +
                               CStr(alarm.front()[1]).replace(u'\'', QStringLiteral("''")) + u'\'';
    EXPECT_GT(CLng(scalar(QStringLiteral("Select UID1 From AlarmActive Where dtDate = '") + alarmWhere)), 0);
    EXPECT_EQ(rows(QStringLiteral("Select UID1, Address From AlarmActive Where dtDate = '") + alarmWhere).size(), 1u);

    const auto misc = rows(QStringLiteral("Select dtDate, Description From Log_Misc Where Event = 8020"));
    ASSERT_FALSE(misc.empty());
    const QString miscWhere = misc.front()[0].asDate().format(QStringLiteral("yyyy-mm-dd hh:nn:ss")) +
                              QStringLiteral("' and Description = '") +
                              CStr(misc.front()[1]).replace(u'\'', QStringLiteral("''")) + u'\'';
    EXPECT_GT(CLng(scalar(QStringLiteral("Select UID1 From Log_Misc Where dtDate = '") + miscWhere)), 0);
    EXPECT_EQ(rows(QStringLiteral("Select UID1, NetAddress From Log_Misc Where dtDate = '") + miscWhere).size(), 1u);
}

// What the properties dialog and the profile store write, read back as they will be read.
TEST_F(StatementShapes, WritesKeepUnicodeApostrophesAndNumbers)
{
    const QString name = QStringLiteral("Müller's Nachtschicht – Süd");
    const QString sql = QStringLiteral("(Address LIKE '\\\\ZEKO01%')");
    db().execute(QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, "
                                "SQL)Values (9, N'Müller''s Nachtschicht – Süd', 1, N'\\\\ZEKO01', N'(Controller is "
                                "''Laboratory Panel'')', N'(Address LIKE ''\\\\ZEKO01%'')')"));
    db().execute(QStringLiteral("Insert Into EventFilters (GroupID, FilterName, FilterType, Filter, FilterDescription, "
                                "SQL)Values (9, N'Müller''s Nachtschicht – Süd', 1, '8050', N'((Event is ''8050'') )', "
                                "N'(([ID] = 8050) )')"));
    const auto group = rows(QStringLiteral("Select * from EventFilters Where GroupID = 9"));
    ASSERT_EQ(group.size(), 2u);
    EXPECT_EQ(CStr(group[0][1]), name);
    EXPECT_EQ(CStr(group[0][3]), QStringLiteral("\\\\ZEKO01"));
    EXPECT_EQ(CStr(group[0][4]), QStringLiteral("(Controller is 'Laboratory Panel')"));
    EXPECT_EQ(CStr(group[0][5]), sql);
    EXPECT_EQ(CStr(group[1][3]), QStringLiteral("8050"));

    EXPECT_EQ(db().execute(QStringLiteral("Delete From eventfilters Where GroupID = 9")), 2);
    EXPECT_EQ(db().execute(QStringLiteral("Update Profile_Details Set Value = '2' Where Property = 'FilterGroupID' "
                                          "AND ObjectID = 4 AND ProfileID = 1")),
              1);
    EXPECT_EQ(scalar(QStringLiteral("Select [Value] From Profile_Details Where ProfileID = 1 AND ObjectID = 4 AND "
                                    "Property = 'FilterGroupID'")),
              Variant("2"));

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
