#pragma once

#include "component/componentwindows.h"
#include "host/db/hostdatabase.h"
#include "host/hostobjects.h"
#include "model/ccircularbuffer.h"
#include "module/mpublic.h"
#include "platform/db/connection.h"
#include "platform/desktop/scripteddesktop.h"

#include <QTemporaryDir>

#include <memory>

namespace Ostraven::Bench {

// A viewer module on a real host database with an empty archive, wired as the reference host wires it,
// keeping maxLines lines. Its window is made on first use.
struct WiredViewer {
    QTemporaryDir folder;
    Host::HostConfig config;
    Host::HostRecord record;
    ConnectionPtr connection;
    std::unique_ptr<MPublic> module;

    explicit WiredViewer(int maxLines)
    {
        DemoSite::Options options;
        options.archiveEvents = 0;
        const QString path = folder.path() + QStringLiteral("/bench.sqlite");
        HostDatabase::createDatabase(path, options);
        connection = Connection::openSqlite(path);
        module = std::make_unique<MPublic>(std::make_shared<ScriptedDesktop>(), folder.path());
        ComponentWindows::attachTo(*module);
        module->host.DBConnection = connection;
        module->host.NTConnection = std::make_shared<Host::HostNTConnection>(config, connection, record);
        module->host.Parent = std::make_shared<Host::HostParent>(config, record, [](qint64) {});
        module->profile.ColumnHeaders = QStringLiteral("Use Object Default");
        module->filter.CanViewAllEvents = true;
        module->profile.MaxLines = maxLines;
        module->messageBuffer().SetBufferSize(maxLines);
    }
};

} // namespace Ostraven::Bench
