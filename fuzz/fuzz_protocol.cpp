// The reference host's control protocol on a headless session: every op the host offers, run
// against the component loaded from its library over a small demo database.
//
// Input: JSON lines, as a script. Each input gets its own copy of the database and its own
// session, so nothing one input does is seen by the next. "wait" runs only what is already due
// (a script's pauses would only slow the fuzzer down), and at most maxLines lines are run.

#include "support/fuzzsupport.h"

#include "host/controlprotocol.h"
#include "host/demoeventsource.h"
#include "host/dialogops.h"
#include "host/hostsession.h"
#include "host/interactionops.h"

#include "component/eventinterface.h"
#include "platform/vberror.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QTextStream>

namespace {

using namespace Ostraven;
using namespace Ostraven::Fuzzing;

constexpr int maxLines = 48;

struct Files {
    QString pristine;
    QString database;
    QString registry;
};

const Files &files()
{
    static const Files f = [] {
        FuzzSite &site = FuzzSite::instance();
        // The site's own connection stays open on its file; each input works on a copy of it.
        site.db().close();
        return Files{site.databasePath(), site.folder() + QStringLiteral("/run.sqlite"),
                     site.folder() + QStringLiteral("/registry.ini")};
    }();
    return f;
}

void freshDatabase()
{
    QFile::remove(files().database);
    if (!QFile::copy(files().pristine, files().database))
        invariantBroken("cannot copy the demo database");
    QFile(files().database).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    initApplication(argc, argv);
    (void)files();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QStringList lines = textOf(data, size).split(QLatin1Char('\n'));
    freshDatabase();

    QString errorLog;
    {
        Host::HostSession::Options options;
        options.database.path = files().database;
        options.headless = true;
        options.componentLibrary = QStringLiteral(OSTRAVEN_COMPONENT_LIBRARY);
        options.registryFile = files().registry;
        Host::HostSession session(options);
        session.start();

        // Results and error lines are of no interest here; the sanitizers watch what produces them.
        QFile sink(QStringLiteral("/dev/null"));
        if (!sink.open(QIODevice::WriteOnly))
            invariantBroken("cannot open /dev/null");
        QTextStream out(&sink);
        QTextStream err(&sink);
        Host::ControlProtocol protocol(session, out, err);
        Host::DemoEventSource demo(session);
        demo.addOps(protocol);
        Host::addDialogOps(protocol, session);
        Host::addInteractionOps(protocol, session);
        protocol.addOp(QStringLiteral("wait"), [](const QJsonObject &) { QCoreApplication::processEvents(); });

        int number = 0;
        for (const QString &line : lines) {
            if (++number > maxLines)
                break;
            protocol.run(line, number);
        }
        if (EventProbe *probe = session.probe())
            errorLog = probe->errorLogPath();
        demo.stop();
        session.release();
        flushDeferredDeletes();
    }
    if (!errorLog.isEmpty())
        QFile::remove(errorLog);
    return 0;
}
