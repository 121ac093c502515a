#pragma once

#include "variant.h"
#include "vberror.h"

#include <QHash>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

namespace Ostraven {

using Args = std::vector<Variant>;

enum class InvokeKind { Get, Put, PutRef, Call };

// A late-bound object: members are called by name at run time, with arguments passed by reference
// (a member may write back into them). Names match without regard to letter case, as late binding
// on the host platform does. An unknown member raises error 438.
class Dispatch
{
public:
    virtual ~Dispatch() = default;

    virtual Variant invoke(const QString &member, InvokeKind kind, Args &args) = 0;

    Variant get(const QString &member) { Args none; return invoke(member, InvokeKind::Get, none); }
    Variant get(const QString &member, Args &args) { return invoke(member, InvokeKind::Get, args); }
    void put(const QString &member, Variant value);
    void putRef(const QString &member, Variant object);
    Variant call(const QString &member, Args &args) { return invoke(member, InvokeKind::Call, args); }

    // Convenience for calls whose arguments the caller does not read back.
    template <typename... Values>
    Variant callWith(const QString &member, Values &&...values)
    {
        Args args{Variant(std::forward<Values>(values))...};
        return invoke(member, InvokeKind::Call, args);
    }

    [[nodiscard]] static VbError memberNotSupported(const QString &member);
};

// A Dispatch whose members are registered as functions; hosts and tests build their objects with it.
// A Get on a member registered only for Call (and the reverse) is allowed, as property-style calls
// of methods are on the host platform.
class MemberTable : public Dispatch
{
public:
    using Handler = std::function<Variant(Args &)>;

    Variant invoke(const QString &member, InvokeKind kind, Args &args) override;

    void onGet(const QString &member, Handler handler);
    void onPut(const QString &member, Handler handler);
    void onPutRef(const QString &member, Handler handler);
    void onCall(const QString &member, Handler handler);

private:
    // Members are found by name with letter case ignored. Callers nearly always spell a member as it was
    // registered, so that spelling is looked up first, which spares folding the name on every call (the
    // live intake reads a dozen members of each message). An object has a handful of members, so the
    // spellings are compared in a row (mostly by length alone) rather than hashed.
    struct Members {
        std::vector<std::pair<QString, Handler>> byName; // as registered, one per member
        QHash<QString, Handler> byFoldedName; // the one that decides
        void insert(const QString &member, Handler handler);
        [[nodiscard]] const Handler *find(const QString &member, const QString &folded) const;
        [[nodiscard]] const Handler *findSpelling(const QString &member) const;
    };

    Members &table(InvokeKind kind);
    Members m_get, m_put, m_putRef, m_call;
};

// Raises error 91 when the variant holds no object.
[[nodiscard]] Dispatch &objectOf(const Variant &value);

} // namespace Ostraven
