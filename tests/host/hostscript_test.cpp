#include "host/db/hostdatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace Ostraven::Testing {

namespace {

// The reference host driven as an integrator drives it: a script on standard input, dumps and
// errors read back as JSON lines.
class HostScriptTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<QTemporaryDir>();
        DemoSite::Options options;
        options.archiveEvents = 400;
        HostDatabase::createDatabase(s_folder->path() + QStringLiteral("/host.sqlite"), options);
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    struct Run {
        QList<QJsonObject> out;
        QList<QJsonObject> errors;
        int exitCode = -1;
        QString trace;
    };

    static Run run(const QStringList &lines)
    {
        const QString folder = s_folder->path();
        QProcess host;
        host.setProgram(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"));
        host.setArguments({QStringLiteral("--db"), folder + QStringLiteral("/host.sqlite"), QStringLiteral("--headless"),
                           QStringLiteral("--registry"), folder + QStringLiteral("/registry.ini"),
                           QStringLiteral("--sql-trace"), folder + QStringLiteral("/trace.sql"),
                           QStringLiteral("--script"), QStringLiteral("-")});
        QFile::remove(folder + QStringLiteral("/trace.sql"));
        host.start();
        host.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        host.closeWriteChannel();
        EXPECT_TRUE(host.waitForFinished(60000));

        Run result;
        result.exitCode = host.exitCode();
        auto parse = [](const QByteArray &text) {
            QList<QJsonObject> objects;
            for (const QByteArray &line : text.split('\n')) {
                const QJsonDocument document = QJsonDocument::fromJson(line);
                if (document.isObject())
                    objects << document.object();
            }
            return objects;
        };
        result.out = parse(host.readAllStandardOutput());
        result.errors = parse(host.readAllStandardError());
        QFile trace(folder + QStringLiteral("/trace.sql"));
        if (trace.open(QIODevice::ReadOnly))
            result.trace = QString::fromUtf8(trace.readAll());
        return result;
    }

    static std::unique_ptr<QTemporaryDir> s_folder;
};

std::unique_ptr<QTemporaryDir> HostScriptTest::s_folder;

QJsonArray callbacksOf(const QJsonObject &dump)
{
    return dump.value(QStringLiteral("host")).toObject().value(QStringLiteral("callbacks")).toArray();
}

} // namespace

TEST_F(HostScriptTest, ShowThenShutDownNotifiesTheHost)
{
    const Run result = run({QStringLiteral(R"({"op": "config", "profile": 1, "user": 101})"),
                            QStringLiteral(R"({"op": "show"})"), QStringLiteral(R"({"op": "dump"})"),
                            QStringLiteral(R"({"op": "shutdown"})"), QStringLiteral(R"({"op": "dump"})")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.errors.isEmpty());
    ASSERT_EQ(result.out.size(), 3);

    const QJsonObject shown = result.out[0];
    EXPECT_TRUE(shown.value(QStringLiteral("windows")).toObject().value(QStringLiteral("FEvents")).toBool());
    const QJsonArray load = callbacksOf(shown).at(0).toArray();
    EXPECT_EQ(load.at(2).toString(), QStringLiteral("LOAD"));
    EXPECT_NE(load.at(1).toInt(), 0);

    EXPECT_EQ(result.out[1], (QJsonObject{{QStringLiteral("op"), QStringLiteral("shutdown")}, {QStringLiteral("result"), false}}));

    const QJsonObject closed = result.out[2];
    EXPECT_FALSE(closed.value(QStringLiteral("windows")).toObject().value(QStringLiteral("FEvents")).toBool());
    const QJsonArray callbacks = callbacksOf(closed);
    ASSERT_EQ(callbacks.size(), 3);
    const QJsonArray unload{QStringLiteral("EVENTVIEWER"), 0, QStringLiteral("UNLOAD")};
    EXPECT_EQ(callbacks.at(1).toArray(), unload);
    EXPECT_EQ(callbacks.at(2).toArray(), unload);
}

TEST_F(HostScriptTest, BadLinesAreReportedAndTheHostCarriesOn)
{
    const Run result = run({QStringLiteral("not json"), QStringLiteral(R"({"op": "fly"})"),
                            QStringLiteral(R"({"op": "key"})"), QStringLiteral(R"({"op": "queue-id", "value": 12})"),
                            QStringLiteral(R"({"op": "queue-id"})")});
    EXPECT_EQ(result.exitCode, 0);
    ASSERT_EQ(result.errors.size(), 3);
    EXPECT_EQ(result.errors[0].value(QStringLiteral("line")).toInt(), 1);
    EXPECT_EQ(result.errors[1].value(QStringLiteral("line")).toInt(), 2);
    EXPECT_TRUE(result.errors[1].value(QStringLiteral("error")).toString().contains(QStringLiteral("fly")));
    EXPECT_EQ(result.errors[2].value(QStringLiteral("line")).toInt(), 3);
    ASSERT_EQ(result.out.size(), 1);
    EXPECT_EQ(result.out[0].value(QStringLiteral("result")).toInt(), 12);
}

// Each line carries one field the host must refuse before it reaches the component; the error names
// the field and its range, and the lines after it still run.
TEST_F(HostScriptTest, OutOfRangeNumbersAndNonObjectsAreRefusedByName)
{
    struct Case {
        const char *line;
        const char *error;
    };
    const Case cases[] = {
        {R"({"op": "wait", "ms": 1e12})", R"("ms" must be a whole number from 0 to 600000)"},
        {R"({"op": "wait", "ms": -1})", R"("ms" must be a whole number from 0 to 600000)"},
        {R"({"op": "wait", "ms": 2.5})", R"("ms" must be a whole number from 0 to 600000)"},
        {R"({"op": "queue-id", "value": 2147483648})", R"("value" must be a whole number from -2147483648 to 2147483647)"},
        {R"({"op": "config", "profile": "1"})", R"("profile" must be a whole number from -2147483648 to 2147483647)"},
        {R"({"op": "key", "code": 70000})", R"("code" must be a whole number from -32768 to 32767)"},
        {R"({"op": "event", "id": -1e300})", R"("id" must be a whole number from -2147483648 to 2147483647)"},
        {R"({"op": "zk2", "subtype": 4294967296})", R"("subtype" must be a whole number)"},
        {R"({"op": "cellclick", "row": 1, "col": 1e10})", R"("col" must be a whole number)"},
        {R"({"op": "select", "rows": [1, 2.5]})", R"("rows" must be a whole number)"},
        {R"({"op": "mousedown", "button": 1, "shift": 40000})", R"("shift" must be a whole number from -32768 to 32767)"},
        {R"({"op": "answer", "answer": 1e20})", R"("answer" must be a whole number)"},
        {R"({"op": "tab", "index": 1e10})", R"("index" must be a whole number from -32768 to 32767)"},
        {R"({"op": "control", "name": "lvwCols", "item": 0.5, "checked": true})", R"("item" must be a whole number)"},
        {R"({"op": "keypress", "name": "txtMaxLines", "key": -3})", R"("key" must be a whole number from 0 to 65535)"},
        {R"([])", "not a JSON object: the line is an array"},
        {R"([{"op": "dump"}])", "not a JSON object: the line is an array"},
    };
    // The viewer and its properties dialog (event menu item 8), so the dialog's fields are reached too.
    QStringList lines{QStringLiteral(R"({"op": "show"})"), QStringLiteral(R"({"op": "menu", "index": 8})")};
    for (const Case &c : cases)
        lines << QString::fromUtf8(c.line);
    lines << QStringLiteral(R"({"op": "queue-id"})");
    const Run result = run(lines);

    EXPECT_EQ(result.exitCode, 0);
    ASSERT_EQ(result.errors.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].line);
        EXPECT_EQ(result.errors[i].value(QStringLiteral("line")).toInt(), int(i) + 3);
        const QString error = result.errors[i].value(QStringLiteral("error")).toString();
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(cases[i].error))) << error.toStdString();
    }
    ASSERT_EQ(result.out.size(), 1);
    EXPECT_EQ(result.out[0].value(QStringLiteral("result")).toInt(), 0) << "the refused queue-id changed nothing";
}

// A line of exactly the cap runs; one byte more, or megabytes more, is one error and the next line runs.
TEST_F(HostScriptTest, LinesLongerThanTheCapAreSkippedWithOneError)
{
    constexpr qsizetype cap = 1024 * 1024;
    // A cadd line (accepted and ignored by the viewer) padded to the given length.
    auto caddLine = [](qsizetype length) {
        QString line = QStringLiteral(R"({"op": "cadd", "text": ""})");
        line.insert(line.size() - 2, QString(length - line.size(), QLatin1Char('x')));
        return line;
    };
    struct Case {
        const char *name;
        QString line;
        bool refused;
    };
    const Case cases[] = {
        {"exactly the cap", caddLine(cap), false},
        {"the cap and a carriage return", caddLine(cap) + u'\r', false},
        {"one byte over", caddLine(cap + 1), true},
        {"eight times the cap", caddLine(8 * cap), true},
        {"over the cap in blanks", QString(cap + 1, QLatin1Char(' ')), true},
    };
    QStringList lines;
    for (const Case &c : cases)
        lines << c.line << QStringLiteral(R"({"op": "queue-id"})");
    const Run result = run(lines);

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.size(), std::size(cases)) << "every line after a skipped one ran";
    QList<int> refusedLines;
    for (const QJsonObject &error : result.errors) {
        EXPECT_EQ(error.value(QStringLiteral("error")).toString(),
                  QStringLiteral("the line is longer than 1048576 bytes (1 MiB) and was skipped"));
        refusedLines << error.value(QStringLiteral("line")).toInt();
    }
    QList<int> expected;
    for (size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].refused)
            expected << int(2 * i + 1);
    }
    EXPECT_EQ(refusedLines, expected);
}

// Files that are not a database of this host are refused at start, by the viewer run and by --sql
// alike, with one message and without a byte of them changed.
TEST_F(HostScriptTest, AFileThatIsNotAHostDatabaseIsRefusedAtStart)
{
    const QString folder = s_folder->path();
    const QString real = folder + QStringLiteral("/host.sqlite");
    auto copyOfReal = [&](const QString &name) {
        const QString path = folder + u'/' + name;
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(real, path));
        return path;
    };
    auto fileWith = [&](const QString &name, const QByteArray &content) {
        const QString path = folder + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        return path;
    };
    auto runSql = [](const QString &path, const char *sql) {
        sqlite3 *database = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &database), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(database, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(database);
        return path;
    };

    const QString damaged = copyOfReal(QStringLiteral("damaged.sqlite"));
    {
        // Half the pages overwritten; the header and the first pages are intact.
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        file.seek(size / 4);
        file.write(QByteArray(size / 2, '\xa5'));
    }
    QDir(folder).mkpath(QStringLiteral("folder.sqlite"));

    struct Case {
        const char *name;
        QString path;
        const char *reason;
    };
    const Case cases[] = {
        {"a text file", fileWith(QStringLiteral("notes.txt"), "SELECT 1;\n"), "SQLite cannot read it"},
        {"an empty file", fileWith(QStringLiteral("empty.sqlite"), {}), "none of the host's tables"},
        {"another application's database",
         runSql(fileWith(QStringLiteral("other.sqlite"), {}), "CREATE TABLE Notes (id INTEGER, text TEXT)"),
         "none of the host's tables"},
        {"a host database without one table",
         runSql(copyOfReal(QStringLiteral("lacking.sqlite")), "DROP TABLE Log_Misc"),
         "tables of the host are missing: Log_Misc"},
        {"a damaged host database", damaged, "SQLite"},
        {"a folder", folder + QStringLiteral("/folder.sqlite"), "it is not a file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile file(c.path);
        const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        file.close();
        const QStringList viewerRun{QStringLiteral("--headless"), QStringLiteral("--registry"),
                                    folder + QStringLiteral("/registry.ini"), QStringLiteral("--script"),
                                    QStringLiteral("-")};
        const QStringList sqlRun{QStringLiteral("--sql"), QStringLiteral("SELECT 1")};
        for (const QStringList &arguments : {viewerRun, sqlRun}) {
            QProcess host;
            host.start(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"),
                       QStringList{QStringLiteral("--db"), c.path} + arguments);
            host.closeWriteChannel();
            ASSERT_TRUE(host.waitForFinished(60000));
            EXPECT_EQ(host.exitCode(), 2);
            const QStringList errors =
                QString::fromUtf8(host.readAllStandardError()).split(u'\n').filter(u"ostraven-host:");
            ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
            EXPECT_TRUE(errors[0].contains(QStringLiteral("is not a database of this host: ")));
            EXPECT_TRUE(errors[0].contains(QString::fromUtf8(c.reason))) << errors[0].toStdString();
            EXPECT_TRUE(host.readAllStandardOutput().isEmpty());
        }
        ASSERT_TRUE(!QFileInfo(c.path).isFile() || file.open(QIODevice::ReadOnly));
        EXPECT_EQ(QFileInfo(c.path).isFile() ? file.readAll() : QByteArray(), before) << "the file is left as it was";
    }
}

// A database another program holds is the host's all the same: the host starts, the viewer reports the
// lock where it meets it, and the operator's stored layout survives the close.
TEST_F(HostScriptTest, ALockedDatabaseIsOpenedAndItsProfileKept)
{
    const QString path = s_folder->path() + QStringLiteral("/locked.sqlite");
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(s_folder->path() + QStringLiteral("/host.sqlite"), path));
    const char *layout = "Description][Description][1][300][True";
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    const QByteArray setLayout = QByteArray("UPDATE Profile_Details SET [Value] = '") + layout
                                 + "' WHERE ProfileID = 1 AND ObjectID = 4 AND Property = 'ColumnHeaders'";
    ASSERT_EQ(sqlite3_exec(other, setLayout.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    QProcess host;
    host.start(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"),
               {QStringLiteral("--db"), path, QStringLiteral("--headless"), QStringLiteral("--registry"),
                s_folder->path() + QStringLiteral("/registry.ini"), QStringLiteral("--script"), QStringLiteral("-")});
    host.write("{\"op\":\"show\"}\n{\"op\":\"close\"}\n");
    host.closeWriteChannel();
    ASSERT_TRUE(host.waitForFinished(60000));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().toStdString();

    sqlite3_stmt *stored = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(other,
                                 "SELECT [Value] FROM Profile_Details WHERE ProfileID = 1 AND ObjectID = 4 AND "
                                 "Property = 'ColumnHeaders'",
                                 -1, &stored, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stored), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(stored, 0)), layout);
    sqlite3_finalize(stored);
    sqlite3_close(other);
}

// A statement that starts with a word other than an SQL keyword is a procedure call; when that word
// names no procedure of the host, --sql and the "sql" op say why the statement was read as a call.
TEST_F(HostScriptTest, AStatementReadAsACallOfAnUnknownProcedureSaysWhy)
{
    const QString why = QStringLiteral("The statement was taken as a call of the stored procedure '%1' because it "
                                       "does not start with an SQL keyword");
    struct Case {
        const char *sql;
        const char *error;     // the database's own message
        const char *procedure; // the word taken as a procedure's name, or null when no explanation is due
    };
    const Case cases[] = {
        {"selec 1", "Could not find stored procedure 'selec'.", "selec"},
        {"selec * from Sites", "Incorrect syntax near '*'.", "selec"},
        {"  Updte Sites SET SiteName = 'x'", "Incorrect syntax near 'SET'.", "Updte"},
        {"EXEC selec 1", "Could not find stored procedure 'selec'.", nullptr},
        {"ZUL_DeleteFilterGroup 1, 2", "Procedure or function 'ZUL_DeleteFilterGroup' has too many arguments", nullptr},
        {"SELECT * FROM NoSuchTable", "no such table: NoSuchTable", nullptr},
    };
    QStringList lines;
    for (const Case &c : cases) {
        lines << QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("op"), QStringLiteral("sql")},
                                                             {QStringLiteral("text"), QString::fromUtf8(c.sql)}})
                                       .toJson(QJsonDocument::Compact));
    }
    const Run protocol = run(lines);
    ASSERT_EQ(protocol.errors.size(), std::size(cases));

    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.sql);
        QProcess host;
        host.start(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"),
                   {QStringLiteral("--db"), s_folder->path() + QStringLiteral("/host.sqlite"), QStringLiteral("--sql"),
                    QString::fromUtf8(c.sql)});
        ASSERT_TRUE(host.waitForFinished(60000));
        EXPECT_NE(host.exitCode(), 0);
        const QString sqlError = QString::fromUtf8(host.readAllStandardError());
        const QString opError = protocol.errors[qsizetype(i)].value(QStringLiteral("error")).toString();
        for (const QString &error : {sqlError, opError}) {
            EXPECT_TRUE(error.contains(QString::fromUtf8(c.error))) << error.toStdString();
            if (c.procedure)
                EXPECT_TRUE(error.contains(why.arg(QString::fromUtf8(c.procedure)))) << error.toStdString();
            else
                EXPECT_FALSE(error.contains(QStringLiteral("was taken as a call"))) << error.toStdString();
        }
    }
}

TEST_F(HostScriptTest, OutOfRangeOptionsStopTheHostWithTheirRange)
{
    struct Case {
        QStringList arguments;
        const char *error;
    };
    const Case cases[] = {
        {{QStringLiteral("--rate"), QStringLiteral("0")}, R"("--rate" must be a number from 0.01 to 1000)"},
        {{QStringLiteral("--rate"), QStringLiteral("nan")}, R"("--rate" must be a number from 0.01 to 1000)"},
        {{QStringLiteral("--quit-after"), QStringLiteral("1e300")}, R"("--quit-after" must be a number from 0 to 604800)"},
        {{QStringLiteral("--listen"), QStringLiteral("70000")}, R"("--listen" must be a whole number from 1 to 65535)"},
        {{QStringLiteral("--listen"), QStringLiteral("80.5")}, R"("--listen" must be a whole number from 1 to 65535)"},
        {{QStringLiteral("--init-db"), QStringLiteral("--archive-events"), QStringLiteral("1e10")},
         R"("--archive-events" must be a whole number from 0 to 10000000)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        QProcess host;
        host.start(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"),
                   QStringList{QStringLiteral("--db"), s_folder->path() + QStringLiteral("/host.sqlite"),
                               QStringLiteral("--headless")}
                       + c.arguments);
        ASSERT_TRUE(host.waitForFinished(60000));
        EXPECT_EQ(host.exitCode(), 2);
        EXPECT_TRUE(QString::fromUtf8(host.readAllStandardError()).contains(QString::fromUtf8(c.error)));
    }
}

TEST_F(HostScriptTest, TheHelpSaysWhereTheErrorLogGoes)
{
    QProcess host;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), s_folder->path() + QStringLiteral("/state"));
    host.setProcessEnvironment(environment);
    host.start(QStringLiteral(OSTRAVEN_BINARY_DIR "/bin/ostraven-host"), {QStringLiteral("--help")});
    ASSERT_TRUE(host.waitForFinished(60000));
    const QString help = QString::fromUtf8(host.readAllStandardOutput()).simplified();
    EXPECT_TRUE(help.contains(QStringLiteral("EventViewObject.log beside the component, in " OSTRAVEN_BINARY_DIR "/bin,")))
        << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("otherwise in %1/state/ostraven.").arg(s_folder->path())));
}

TEST_F(HostScriptTest, TheOperatorClosingTheWindowSavesAndUnloads)
{
    const Run result = run({QStringLiteral(R"({"op": "show"})"), QStringLiteral(R"({"op": "key", "code": 65, "shift": 2})"),
                            QStringLiteral(R"({"op": "close"})"), QStringLiteral(R"({"op": "dump"})"),
                            QStringLiteral(R"({"op": "config", "connected": false})"), QStringLiteral(R"({"op": "show"})"),
                            QStringLiteral(R"({"op": "close"})"), QStringLiteral(R"({"op": "dump"})")});
    EXPECT_TRUE(result.errors.isEmpty());
    ASSERT_EQ(result.out.size(), 2);
    EXPECT_FALSE(result.out[0].value(QStringLiteral("windows")).toObject().value(QStringLiteral("FEvents")).toBool());
    EXPECT_EQ(callbacksOf(result.out[0]).size(), 2);
    EXPECT_EQ(callbacksOf(result.out[1]).size(), 4);
}

} // namespace Ostraven::Testing
