#pragma once

#include "module/mpublic.h"
#include "host/hostconfig.h"
#include "host/hostobjects.h"
#include "platform/db/connection.h"
#include "platform/desktop/scripteddesktop.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Ostraven::Fuzzing {

// The application object every window and timer needs, offscreen; made once per process from
// LLVMFuzzerInitialize.
void initApplication(int *argc, char ***argv);

// The input as text. libFuzzer hands over arbitrary bytes; the component only ever sees texts, so
// invalid UTF-8 simply becomes replacement characters, as it would coming from the host.
[[nodiscard]] QString textOf(const std::uint8_t *data, std::size_t size);

// The input split into its text and one trailing byte of switches, so the seeds stay readable:
// "<text>" followed by one byte whose bits the target gives a meaning. Empty input gives nothing.
struct TextAndSwitches {
    QString text;
    std::uint8_t switches = 0;
    [[nodiscard]] bool on(int bit) const { return (switches >> bit) & 1; }
};
[[nodiscard]] bool splitInput(const std::uint8_t *data, std::size_t size, TextAndSwitches &out);

// A process-wide host for component targets, wired as the tests wire a module: a real demo
// database made from the real schema (small archive), the host's NTConnection and Parent, the
// scripted desktop. The database is opened once; targets that write to it must undo their writes.
class FuzzSite
{
public:
    static FuzzSite &instance();

    // A fresh module on the shared connection and desktop.
    [[nodiscard]] std::unique_ptr<MPublic> makeModule();
    // Forgets what earlier inputs left behind: boxes shown, host callbacks recorded, the error log
    // written, queued answers. Call before each input so nothing grows from run to run.
    void reset();

    [[nodiscard]] Connection &db() { return *m_connection; }
    [[nodiscard]] ScriptedDesktop &desktop() { return *m_desktop; }
    [[nodiscard]] Host::HostConfig &config() { return m_config; }
    [[nodiscard]] const QString &folder() const { return m_folderPath; }
    [[nodiscard]] QString databasePath() const { return m_folderPath + QStringLiteral("/host.sqlite"); }

private:
    FuzzSite();

    QTemporaryDir m_folder;
    QString m_folderPath;
    ConnectionPtr m_connection;
    std::shared_ptr<ScriptedDesktop> m_desktop;
    Host::HostConfig m_config;
    Host::HostRecord m_record;
};

// Deletes the windows a module let go of with deleteLater, as the event loop would.
void flushDeferredDeletes();

// A broken invariant in our code: libFuzzer records the input as a crash.
[[noreturn]] void invariantBroken(const char *what, const QString &detail = {});

} // namespace Ostraven::Fuzzing
