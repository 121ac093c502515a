#include "hostobjects.h"

#include "jsonvalues.h"

#include "errors/numberfield.h"
#include "platform/vberror.h"

#include <QJsonObject>

namespace Ostraven::Host {

namespace {

Variant argumentOr(const Args &args, std::size_t index, Variant fallback = {})
{
    return index < args.size() ? args[index] : fallback;
}

QString sqlQuoted(const QString &text)
{
    QString doubled = text;
    return doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
}

} // namespace

HostNTConnection::HostNTConnection(const HostConfig &config, ConnectionPtr database, HostRecord &record)
    : m_config(config), m_database(std::move(database)), m_record(record)
{
    registerMembers();
}

QString HostNTConnection::resourceText(qint32 number) const
{
    auto rows = m_database->openRecordset(
        QStringLiteral("Select ResourceText From ResourceStrings Where ResourceID = %1").arg(number));
    if (rows->eof())
        return QStringLiteral("#%1").arg(number);
    return CStr(rows->field(0));
}

bool HostNTConnection::subPermission(qint32 componentType, const QString &name) const
{
    auto rows = m_database->openRecordset(
        QStringLiteral("Select CanView From OperatorPermissions Where OperatorID = %1 And ComponentType = %2 "
                       "And SubPermission = '%3'")
            .arg(m_config.user)
            .arg(componentType)
            .arg(sqlQuoted(name)));
    if (rows->eof())
        throw VbError(VbError::SubscriptOutOfRange, QStringLiteral("Subscript out of range"),
                      QStringLiteral("SubPermissions"));
    return CBool(rows->field(0));
}

void HostNTConnection::registerMembers()
{
    onGet(QStringLiteral("UserId"), [this](Args &) { return Variant(m_config.user); });
    onGet(QStringLiteral("WorkstationID"), [this](Args &) { return Variant(m_config.workstation); });
    onGet(QStringLiteral("ServerName"), [this](Args &) { return Variant(m_config.serverName); });
    onGet(QStringLiteral("EnableCustomize"), [this](Args &) { return Variant(m_config.customize); });
    onGet(QStringLiteral("ZK2IsTm5HardwareSupportEnabled"), [this](Args &) { return Variant(m_config.zk2Hardware); });
    onCall(QStringLiteral("GetResourceString"),
           [this](Args &args) { return Variant(resourceText(CLng(argumentOr(args, 0)))); });
    onCall(QStringLiteral("GRS"), [this](Args &args) {
        QString text = resourceText(CLng(argumentOr(args, 0)));
        // %9 first, so that %1 does not eat the start of %10-like texts.
        for (int i = 9; i >= 1; --i)
            text.replace(QStringLiteral("%") + QString::number(i), CStr(argumentOr(args, std::size_t(i), QString())));
        return Variant(text);
    });
    onCall(QStringLiteral("Fix_Apostrophe"), [](Args &args) { return Variant(sqlQuoted(CStr(argumentOr(args, 0)))); });
    // The database's own date form in SQL literals: ISO, which the embedded database compares correctly.
    onCall(QStringLiteral("USDate"), [](Args &args) {
        return Variant(CDate(argumentOr(args, 0)).format(QStringLiteral("yyyy-mm-dd hh:nn:ss")));
    });
    onGet(QStringLiteral("Security"), [this](Args &) { return Variant(makeSecurity()); });
    onCall(QStringLiteral("ShowHelp"), [this](Args &args) {
        m_record.help.append(toJson(argumentOr(args, 0)));
        return Variant();
    });
    onCall(QStringLiteral("LogError"), [this](Args &args) {
        QJsonObject entry;
        entry.insert(QStringLiteral("label"), toJson(argumentOr(args, 2)));
        entry.insert(QStringLiteral("detail"), toJson(argumentOr(args, 3)));
        const Variant error = argumentOr(args, 1);
        if (error.isObject() && error.asObject()) {
            entry.insert(QStringLiteral("number"), toJson(error.asObject()->get(QStringLiteral("Number"))));
            entry.insert(QStringLiteral("description"), toJson(error.asObject()->get(QStringLiteral("Description"))));
        }
        m_record.logErrors.append(entry);
        return Variant();
    });
}

// Security.ComponentType selects the component; Security.SubPermissions(name).CanView answers for
// the operator. An unknown name fails as a collection index does.
DispatchPtr HostNTConnection::makeSecurity()
{
    auto security = std::make_shared<MemberTable>();
    auto componentType = std::make_shared<qint32>(0);
    security->onPut(QStringLiteral("ComponentType"), [componentType](Args &args) {
        *componentType = CLng(argumentOr(args, 0));
        return Variant();
    });
    security->onGet(QStringLiteral("ComponentType"), [componentType](Args &) { return Variant(*componentType); });
    security->onGet(QStringLiteral("SubPermissions"), [this, componentType](Args &) {
        auto collection = std::make_shared<MemberTable>();
        auto item = [this, componentType](Args &args) {
            const bool canView = subPermission(*componentType, CStr(argumentOr(args, 0)));
            auto permission = std::make_shared<MemberTable>();
            permission->onGet(QStringLiteral("CanView"), [canView](Args &) { return Variant(canView); });
            return Variant(DispatchPtr(permission));
        };
        collection->onGet(QStringLiteral("Item"), item);
        collection->onCall(QStringLiteral("Item"), item);
        return Variant(DispatchPtr(collection));
    });
    return security;
}

HostParent::HostParent(const HostConfig &config, HostRecord &record, WindowLoaded onLoad)
    : m_config(config), m_record(record), m_onLoad(std::move(onLoad))
{
    onCall(QStringLiteral("CallBack"), [this](Args &args) {
        QJsonArray entry;
        for (const Variant &argument : args)
            entry.append(toJson(argument));
        m_record.callbacks.append(entry);
        if (args.size() >= 3 && args[2].isString() && args[2].asString() == QLatin1String("LOAD") && m_onLoad) {
            // The handle travels as a Double; one that is no window handle places nothing.
            constexpr NumberField::Range handles{0, qint64(1) << 53};
            if (const std::optional<qint64> handle = NumberField::wholeIn(CDbl(args[1]), handles))
                m_onLoad(*handle);
        }
        return Variant();
    });
    onGet(QStringLiteral("Connected"), [this](Args &) { return Variant(m_config.connected); });
    onGet(QStringLiteral("hwnd"), [this](Args &) { return Variant(double(m_ownerHandle)); });
}

} // namespace Ostraven::Host
