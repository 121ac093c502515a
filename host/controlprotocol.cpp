#include "controlprotocol.h"

#include "hostsession.h"
#include "jsonvalues.h"

#include "host/db/hostdatabase.h"

#include "errors/numberfield.h"
#include "platform/desktop/scripteddesktop.h"
#include "platform/keycodes.h"
#include "platform/vberror.h"

#include <QApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

namespace Ostraven::Host {

namespace {

// A command that cannot be carried out as given; reported as the line's error.
class BadCommand : public std::runtime_error
{
public:
    explicit BadCommand(const QString &message) : std::runtime_error(message.toStdString()) {}
};

QJsonValue required(const QJsonObject &command, const QString &field)
{
    const QJsonValue value = command.value(field);
    if (value.isUndefined() || value.isNull())
        throw BadCommand(QStringLiteral("\"%1\" needs the field \"%2\"").arg(command.value(QStringLiteral("op")).toString(), field));
    return value;
}

// The longest wait a line may ask for: ten minutes; a script that needs more can wait again.
constexpr NumberField::Range WaitRange{0, 600000};

qint32 integerField(const QJsonObject &command, const QString &field, NumberField::Range range = NumberField::Long)
{
    return NumberField::whole(required(command, field), field, range);
}

bool booleanField(const QJsonObject &command, const QString &field)
{
    const QJsonValue value = required(command, field);
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() != 0;
    throw BadCommand(QStringLiteral("\"%1\" must be true or false").arg(field));
}

QString textField(const QJsonObject &command, const QString &field)
{
    const QJsonValue value = required(command, field);
    if (!value.isString())
        throw BadCommand(QStringLiteral("\"%1\" must be a text").arg(field));
    return value.toString();
}

void runEventLoopFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

QWidget &loadedViewer(HostSession &session)
{
    QWidget *window = session.viewerWindow();
    if (!window)
        throw BadCommand(QStringLiteral("the viewer window is not loaded"));
    return *window;
}

} // namespace

ControlProtocol::ControlProtocol(HostSession &session, QTextStream &out, QTextStream &err)
    : m_session(session), m_out(out), m_err(err)
{
    registerOps();
}

void ControlProtocol::addOp(const QString &name, Handler handler)
{
    m_ops.insert(name, std::move(handler));
}

QStringList ControlProtocol::opNames() const
{
    QStringList names = m_ops.keys();
    names.sort();
    return names;
}

QString ControlProtocol::lineTooLongMessage()
{
    return QStringLiteral("the line is longer than %1 bytes (1 MiB) and was skipped").arg(MaxLineBytes);
}

void ControlProtocol::runAll(QIODevice &in)
{
    // Read in blocks and split here: a line is never held beyond the cap, however long it is, and a
    // read returns what a pipe has so far instead of waiting for a full block.
    QByteArray block(64 * 1024, Qt::Uninitialized);
    QByteArray pending;    // the start of a line whose end has not come yet
    bool skipping = false; // inside an over-long line, already reported: its bytes are dropped
    int lineNumber = 0;
    auto runLine = [&](QByteArray line) {
        ++lineNumber;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > MaxLineBytes) {
            fail(lineTooLongMessage(), lineNumber);
            return;
        }
        if (lineNumber == 1 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3); // a byte order mark some editors put at the start of a UTF-8 file
        run(QString::fromUtf8(line), lineNumber);
    };
    for (;;) {
        const qint64 count = in.read(block.data(), block.size());
        if (count <= 0) {
            if (!pending.isEmpty())
                runLine(pending); // the last line, without a line break
            return;
        }
        const QByteArrayView data(block.constData(), count);
        qsizetype start = 0;
        for (qsizetype end = data.indexOf('\n'); end >= 0; end = data.indexOf('\n', start)) {
            if (skipping) {
                skipping = false;
            } else {
                pending += data.sliced(start, end - start);
                runLine(std::exchange(pending, {}));
            }
            start = end + 1;
        }
        if (skipping)
            continue;
        pending += data.sliced(start);
        // More than the cap plus a carriage return, and still no line break: too long, whatever follows.
        if (pending.size() > MaxLineBytes + 1) {
            fail(lineTooLongMessage(), ++lineNumber);
            pending.clear();
            skipping = true;
        }
    }
}

void ControlProtocol::run(const QString &line, int lineNumber)
{
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
        return;
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(QStringLiteral("not a JSON object: %1").arg(parseError.errorString()), lineNumber);
        return;
    }
    if (!document.isObject()) {
        // The parser accepts an array as a whole document, and then has no error to tell of.
        fail(QStringLiteral("not a JSON object: the line is an array"), lineNumber);
        return;
    }
    const QJsonObject command = document.object();
    const QString op = command.value(QStringLiteral("op")).toString();
    const auto handler = m_ops.constFind(op);
    if (handler == m_ops.constEnd()) {
        fail(op.isEmpty() ? QStringLiteral("no \"op\" given") : QStringLiteral("unknown op \"%1\"").arg(op), lineNumber);
        return;
    }
    try {
        (*handler)(command);
    } catch (const VbError &error) {
        fail(QStringLiteral("%1 (error %2)").arg(error.description()).arg(error.number()), lineNumber);
    } catch (const std::exception &error) {
        fail(QString::fromUtf8(error.what()), lineNumber);
    }
    // Each line is one host action: a script runs its lines without returning to the event loop, so
    // the allowance for waiting on another program's lock is renewed here.
    m_session.database().endUserAction();
}

void ControlProtocol::write(const QJsonObject &object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact);
    m_out << QString::fromUtf8(line) << '\n';
    m_out.flush();
    if (m_echo)
        m_echo(line + '\n');
}

void ControlProtocol::fail(const QString &message, int lineNumber)
{
    const QByteArray line = QJsonDocument(QJsonObject{{QStringLiteral("error"), message},
                                                      {QStringLiteral("line"), lineNumber}})
                                .toJson(QJsonDocument::Compact);
    m_err << QString::fromUtf8(line) << '\n';
    m_err.flush();
    if (m_echo)
        m_echo(line + '\n');
}

void ControlProtocol::registerOps()
{
    addOp(QStringLiteral("config"), [this](const QJsonObject &command) {
        HostConfig &config = m_session.config();
        if (command.contains(QStringLiteral("profile")))
            config.profile = integerField(command, QStringLiteral("profile"));
        if (command.contains(QStringLiteral("user")))
            config.user = integerField(command, QStringLiteral("user"));
        if (command.contains(QStringLiteral("workstation")))
            config.workstation = integerField(command, QStringLiteral("workstation"));
        if (command.contains(QStringLiteral("admin")))
            config.admin = booleanField(command, QStringLiteral("admin"));
        if (command.contains(QStringLiteral("connected")))
            config.connected = booleanField(command, QStringLiteral("connected"));
        if (command.contains(QStringLiteral("customize")))
            config.customize = booleanField(command, QStringLiteral("customize"));
        if (command.contains(QStringLiteral("zk2_hardware")))
            config.zk2Hardware = booleanField(command, QStringLiteral("zk2_hardware"));
        for (const char *name : {"server_name", "server name", "server"}) {
            if (command.contains(QLatin1String(name)))
                config.serverName = textField(command, QLatin1String(name));
        }
        m_session.applyConfig();
    });
    addOp(QStringLiteral("show"), [this](const QJsonObject &) { m_session.component().Show(); });
    addOp(QStringLiteral("reshow"), [this](const QJsonObject &) { m_session.component().ReShow(); });
    addOp(QStringLiteral("user-switch"), [this](const QJsonObject &) { m_session.component().OnUserSwitch(); });
    addOp(QStringLiteral("cunload"), [this](const QJsonObject &) { m_session.component().cUnload(); });
    addOp(QStringLiteral("shutdown"), [this](const QJsonObject &) {
        bool result = true;
        m_session.component().ShutDown(&result);
        write(QJsonObject{{QStringLiteral("op"), QStringLiteral("shutdown")}, {QStringLiteral("result"), result}});
    });
    addOp(QStringLiteral("queue-id"), [this](const QJsonObject &command) {
        if (command.contains(QStringLiteral("value"))) {
            qint32 value = integerField(command, QStringLiteral("value"));
            m_session.component().put_EventQueueID(value);
            return;
        }
        qint32 value = 0;
        m_session.component().get_EventQueueID(&value);
        write(QJsonObject{{QStringLiteral("op"), QStringLiteral("queue-id")}, {QStringLiteral("result"), value}});
    });
    addOp(QStringLiteral("cadd"), [this](const QJsonObject &command) {
        QString text = command.value(QStringLiteral("text")).toString();
        m_session.component().cAddEvent(text);
    });
    addOp(QStringLiteral("font"), [this](const QJsonObject &command) {
        m_session.component().put_ViewerFont(command.value(QStringLiteral("name")).toString());
    });
    addOp(QStringLiteral("time-format"), [this](const QJsonObject &command) {
        m_session.component().put_TimeFormat(command.value(QStringLiteral("value")).toBool());
    });
    addOp(QStringLiteral("key"), [this](const QJsonObject &command) {
        QWidget &window = loadedViewer(m_session);
        // KeyUp's KeyCode and Shift are Integers.
        const int code = integerField(command, QStringLiteral("code"), NumberField::Integer);
        const int shift = command.contains(QStringLiteral("shift"))
                              ? integerField(command, QStringLiteral("shift"), NumberField::Integer)
                              : 0;
        QKeyEvent release(QEvent::KeyRelease, qtKeyOf(code), qtModifiersOf(shift));
        QApplication::sendEvent(&window, &release);
    });
    addOp(QStringLiteral("deactivate"), [this](const QJsonObject &) {
        QEvent deactivation(QEvent::ActivationChange);
        QApplication::sendEvent(&loadedViewer(m_session), &deactivation);
    });
    addOp(QStringLiteral("close"), [this](const QJsonObject &) {
        loadedViewer(m_session).close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    addOp(QStringLiteral("wait"), [](const QJsonObject &command) {
        runEventLoopFor(command.contains(QStringLiteral("ms")) ? integerField(command, QStringLiteral("ms"), WaitRange)
                                                              : 0);
    });
    addOp(QStringLiteral("answer"), [this](const QJsonObject &command) {
        ScriptedDesktop *desktop = m_session.scriptedDesktop();
        if (!desktop)
            throw BadCommand(QStringLiteral("answers are for the scripted desktop (run with --headless)"));
        QJsonArray answers;
        for (const char *name : {"answers", "answer", "value"}) {
            const QJsonValue value = command.value(QLatin1String(name));
            if (value.isArray())
                answers = value.toArray();
            else if (!value.isUndefined())
                answers.append(value);
        }
        if (answers.isEmpty())
            throw BadCommand(QStringLiteral("\"answer\" needs \"answer\" (a text or a list)"));
        // A number answers a box (its button's value), a menu (an item) or the colour picker (a Long colour).
        for (const QJsonValue &answer : answers)
            desktop->queueAnswer(answer.isDouble() ? QString::number(NumberField::whole(answer, u"answer"))
                                                   : answer.toString());
    });
    addOp(QStringLiteral("sql"), [this](const QJsonObject &command) {
        const QString text = command.contains(QStringLiteral("text")) ? textField(command, QStringLiteral("text"))
                                                                      : textField(command, QStringLiteral("sql"));
        std::unique_ptr<Recordset> rows;
        try {
            rows = m_session.database().openRecordset(text, CursorType::ForwardOnly);
        } catch (const VbError &error) {
            throw HostDatabase::explainFailure(text, error);
        }
        if (rows->fieldCount() == 0)
            return;
        QJsonArray result;
        for (; !rows->eof(); rows->moveNext()) {
            QJsonObject row;
            for (int field = 0; field < rows->fieldCount(); ++field)
                row.insert(rows->fieldName(field), toJson(rows->field(field)));
            result.append(row);
        }
        write(QJsonObject{{QStringLiteral("op"), QStringLiteral("sql")}, {QStringLiteral("rows"), result}});
    });
    addOp(QStringLiteral("dump"), [this](const QJsonObject &) { write(m_session.dump()); });
}

} // namespace Ostraven::Host
