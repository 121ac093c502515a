#include "dispatch.h"

namespace Ostraven {

namespace {

QString keyOf(const QString &member)
{
    return member.toCaseFolded();
}

} // namespace

void Dispatch::put(const QString &member, Variant value)
{
    Args args{std::move(value)};
    invoke(member, InvokeKind::Put, args);
}

void Dispatch::putRef(const QString &member, Variant object)
{
    Args args{std::move(object)};
    invoke(member, InvokeKind::PutRef, args);
}

VbError Dispatch::memberNotSupported(const QString &member)
{
    Q_UNUSED(member);
    return VbError::fromNumber(VbError::MemberNotSupported);
}

Variant MemberTable::invoke(const QString &member, InvokeKind kind, Args &args)
{
    const QString key = keyOf(member);
    const QHash<QString, Handler> &own = table(kind);
    auto found = own.constFind(key);
    if (found != own.constEnd())
        return (*found)(args);
    // A method read like a property, or a property called like a method, still reaches its handler.
    if (kind == InvokeKind::Get || kind == InvokeKind::Call) {
        const QHash<QString, Handler> &other = table(kind == InvokeKind::Get ? InvokeKind::Call : InvokeKind::Get);
        found = other.constFind(key);
        if (found != other.constEnd())
            return (*found)(args);
    }
    throw memberNotSupported(member);
}

void MemberTable::onGet(const QString &member, Handler handler)
{
    m_get.insert(keyOf(member), std::move(handler));
}

void MemberTable::onPut(const QString &member, Handler handler)
{
    m_put.insert(keyOf(member), std::move(handler));
}

void MemberTable::onPutRef(const QString &member, Handler handler)
{
    m_putRef.insert(keyOf(member), std::move(handler));
}

void MemberTable::onCall(const QString &member, Handler handler)
{
    m_call.insert(keyOf(member), std::move(handler));
}

QHash<QString, MemberTable::Handler> &MemberTable::table(InvokeKind kind)
{
    switch (kind) {
    case InvokeKind::Get: return m_get;
    case InvokeKind::Put: return m_put;
    case InvokeKind::PutRef: return m_putRef;
    case InvokeKind::Call: return m_call;
    }
    return m_call;
}

Dispatch &objectOf(const Variant &value)
{
    if (!value.isObject() || !value.asObject())
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *value.asObject();
}

} // namespace Ostraven
