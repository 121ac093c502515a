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
    Members &own = table(kind);
    if (const Handler *handler = own.findSpelling(member))
        return (*handler)(args);
    const QString folded = keyOf(member);
    if (const auto found = own.byFoldedName.constFind(folded); found != own.byFoldedName.constEnd())
        return (*found)(args);
    // A method read like a property, or a property called like a method, still reaches its handler.
    if (kind == InvokeKind::Get || kind == InvokeKind::Call) {
        const Members &other = table(kind == InvokeKind::Get ? InvokeKind::Call : InvokeKind::Get);
        if (const Handler *handler = other.find(member, folded))
            return (*handler)(args);
    }
    throw memberNotSupported(member);
}

void MemberTable::Members::insert(const QString &member, Handler handler)
{
    const QString folded = keyOf(member);
    // A new registration replaces every spelling of the same member.
    std::erase_if(byName, [&folded](const auto &entry) { return keyOf(entry.first) == folded; });
    byName.emplace_back(member, handler);
    byFoldedName.insert(folded, std::move(handler));
}

const MemberTable::Handler *MemberTable::Members::findSpelling(const QString &member) const
{
    for (const auto &[name, handler] : byName) {
        if (name == member)
            return &handler;
    }
    return nullptr;
}

const MemberTable::Handler *MemberTable::Members::find(const QString &member, const QString &folded) const
{
    if (const Handler *handler = findSpelling(member))
        return handler;
    const auto found = byFoldedName.constFind(folded);
    return found != byFoldedName.constEnd() ? &*found : nullptr;
}

void MemberTable::onGet(const QString &member, Handler handler)
{
    m_get.insert(member, std::move(handler));
}

void MemberTable::onPut(const QString &member, Handler handler)
{
    m_put.insert(member, std::move(handler));
}

void MemberTable::onPutRef(const QString &member, Handler handler)
{
    m_putRef.insert(member, std::move(handler));
}

void MemberTable::onCall(const QString &member, Handler handler)
{
    m_call.insert(member, std::move(handler));
}

MemberTable::Members &MemberTable::table(InvokeKind kind)
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
