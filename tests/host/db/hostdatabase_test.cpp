#include "support/testdatabase.h"

#include "host/db/hostdatabase.h"
#include "host/db/sqlitefile.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace Ostraven::Testing {
namespace {

using HostDatabaseCommands = HostDbTest;

TEST_F(HostDatabaseCommands, NewDatabaseHoldsTheWholeArchive)
{
    SqliteFile file(TestDatabase::pristinePath(TestDatabase::Site::Demo), SqliteFile::OpenMode::OpenExisting);
    EXPECT_EQ(file.queryInt(QStringLiteral("SELECT count(*) FROM VIEW_EventLog_AllEvents")), 20000);
    // Every class of event is there, both families included.
    const char *const categories[] = {"Software", "KORA*GATE Transaction", "KORA*GATE External", "KORA*GATE Alarm",
                                      "Programming", "KORA*GATE Communication", "KORA*GATE Miscellaneous",
                                      "KORA*GATE Internal", "Integrated Event", "ZekoSeries Transaction",
                                      "ZekoSeries Alarm", "ZEKO Software", "ZEKO Programming"};
    for (const char *category : categories) {
        SCOPED_TRACE(category);
        EXPECT_GT(file.queryInt(QStringLiteral("SELECT count(*) FROM VIEW_EventLog_AllEvents WHERE Type = '%1'")
                                    .arg(QString::fromUtf8(category))),
                  0);
    }
    // The same seed and end give the same archive.
    const QString again = path() + QStringLiteral(".again");
    HostDatabase::createDatabase(again, TestDatabase::options(TestDatabase::Site::Demo));
    SqliteFile rebuilt(again, SqliteFile::OpenMode::OpenExisting);
    const QString digest = QStringLiteral("SELECT sum(length(Description) * ID) + sum(UID1) FROM VIEW_EventLog_AllEvents");
    EXPECT_EQ(rebuilt.queryInt(digest), file.queryInt(digest));
}

TEST_F(HostDatabaseCommands, CreateRefusesAnExistingFileAndLeavesItAlone)
{
    const qint64 size = QFileInfo(path()).size();
    try {
        HostDatabase::createDatabase(path(), 10);
        ADD_FAILURE() << "an existing database was overwritten";
    } catch (const VbError &error) {
        EXPECT_TRUE(error.description().contains(QLatin1String("already exists")));
    }
    EXPECT_EQ(QFileInfo(path()).size(), size);
    EXPECT_FALSE(HostDatabase::ensureDatabase(path()));

    const QString fresh = path() + QStringLiteral(".fresh");
    EXPECT_THROW(HostDatabase::createDatabase(fresh, -1), VbError);
    EXPECT_FALSE(QFileInfo::exists(fresh));
    HostDatabase::createDatabase(fresh, 0);
    SqliteFile file(fresh, SqliteFile::OpenMode::OpenExisting);
    EXPECT_EQ(file.queryInt(QStringLiteral("SELECT count(*) FROM VIEW_EventLog_AllEvents")), 0);
    EXPECT_EQ(file.queryInt(QStringLiteral("SELECT count(*) FROM ov_procedures")), 11);
    EXPECT_FALSE(QFileInfo::exists(fresh + QStringLiteral(".part")));
}

TEST_F(HostDatabaseCommands, SqlRowsPrintAsJsonLines)
{
    struct Case {
        const char *sql;
        const char *printed;
    };
    const Case cases[] = {
        {"Select TimeZoneID, Sunday, Monday, StartTime, NULL as Missing From TimeZones Where TimeZoneID = 10",
         "{\"TimeZoneID\":10,\"Sunday\":false,\"Monday\":true,\"StartTime\":\"07:00\",\"Missing\":null}\n"},
        {"Select GroupID, CreatedDate From EventFilterGroups Where GroupID = 1",
         "{\"GroupID\":1,\"CreatedDate\":\"2024-03-04 09:12:40\"}\n"},
        {"Select Top 2 OperatorID, FullName From Operators Order By OperatorID desc",
         "{\"OperatorID\":103,\"FullName\":\"María López\"}\n{\"OperatorID\":102,\"FullName\":\"Jordan Smith\"}\n"},
        {"Select Address, N'say \"hi\"' as Quoted, 2.5 as Half From Doors Where DoorID = 1",
         "{\"Address\":\"\\\\\\\\SRV1.1.1.DR01\",\"Quoted\":\"say \\\"hi\\\"\",\"Half\":2.5}\n"},
        {"EXEC rp_Role_Routing_Granted_Timezones 103", "{\"GenericTimeZoneID\":3}\n{\"GenericTimeZoneID\":4}\n"},
        {"Select * From Operators Where OperatorID = 0", ""}, {"ZUL_DeleteFilterGroup 77", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sql);
        QString printed;
        QTextStream out(&printed);
        const HostDatabase::SqlOutcome outcome = HostDatabase::runSqlAsJson(db(), QString::fromUtf8(c.sql), out);
        EXPECT_EQ(printed, QString::fromUtf8(c.printed));
        EXPECT_EQ(outcome.rows, printed.count(u'\n'));
        EXPECT_EQ(outcome.changed, -1);
    }

    QString printed;
    QTextStream out(&printed);
    const HostDatabase::SqlOutcome update = HostDatabase::runSqlAsJson(
        db(), QStringLiteral("  update Profile_Details Set [Value] = 'True' Where Property = 'LoadCachedEvents'"), out);
    EXPECT_EQ(update.changed, 3);
    EXPECT_TRUE(printed.isEmpty());
    EXPECT_THROW((void)HostDatabase::runSqlAsJson(db(), QStringLiteral("Select * From NoSuchTable"), out), VbError);
}

} // namespace
} // namespace Ostraven::Testing
