#pragma once

#include "platform/dispatch.h"

#include <QUuid>

#include <memory>

namespace Ostraven::Com {

// Status codes of the in-process server entry points and interface members.
using HResult = qint32;
inline constexpr HResult S_OK = 0;
inline constexpr HResult S_FALSE = 1;
inline constexpr HResult E_FAIL = qint32(0x80004005u);
inline constexpr HResult E_NOINTERFACE = qint32(0x80004002u);
inline constexpr HResult E_POINTER = qint32(0x80004003u);
inline constexpr HResult CLASS_E_CLASSNOTAVAILABLE = qint32(0x80040111u);
inline constexpr HResult REGDB_E_CLASSNOTREG = qint32(0x80040154u);
inline constexpr HResult SELFREG_E_CLASS = qint32(0x80040201u);

[[nodiscard]] inline constexpr bool succeeded(HResult result) { return result >= 0; }

// The late-bound (by-name) face every creatable object offers.
inline const QUuid IID_IDispatch{QStringLiteral("{00020400-0000-0000-C000-000000000046}")};
inline const QUuid IID_IClassFactory{QStringLiteral("{00000001-0000-0000-C000-000000000046}")};

// Objects handed across the library boundary answer for their interfaces by identifier rather
// than through dynamic_cast, which does not hold between separately loaded libraries.
class Unknown
{
public:
    virtual ~Unknown() = default;
    [[nodiscard]] virtual void *queryInterface(const QUuid &iid) = 0;
};

class ClassFactory : public Unknown
{
public:
    // Gives a new object owning itself; the caller reaches its interfaces through queryInterface.
    virtual HResult createInstance(const QUuid &iid, std::shared_ptr<Unknown> *object) = 0;
    virtual HResult lockServer(bool lock) = 0;
};

// The signatures of the four entry points an in-process server exports.
using DllGetClassObjectFunction = HResult (*)(const QUuid &clsid, const QUuid &iid, void **factory);
using DllCanUnloadNowFunction = HResult (*)();
using DllRegisterServerFunction = HResult (*)();

} // namespace Ostraven::Com
