// The root of every platform interface, and QueryInterface for shared objects.
//
// Objects are owned by std::shared_ptr. An interface is a C++ class deriving virtually from
// IUnknown that names its identifier in a static member `iid`. Asking an object for an interface
// is a dynamic cast, which an object may still refuse through Supports() (a driver object that
// answers E_NOINTERFACE for an interface it nominally has, for example).
#pragma once

#include <memory>

#include "platform/Guid.h"
#include "platform/HResult.h"

struct IUnknown {
    static constexpr IID iid = MakeGuid("{00000000-0000-0000-C000-000000000046}");
    virtual ~IUnknown() = default;
    // False makes query() answer E_NOINTERFACE for that interface.
    virtual bool Supports(const IID&) const { return true; }
};

// QueryInterface: fills `out` and returns S_OK, or empties it and returns E_NOINTERFACE
// (E_POINTER for an empty object).
template <class I, class T>
HRESULT query(const std::shared_ptr<T>& object, std::shared_ptr<I>& out) {
    out.reset();
    if (!object) return E_POINTER;
    auto cast = std::dynamic_pointer_cast<I>(object);
    if (!cast || !object->Supports(I::iid)) return E_NOINTERFACE;
    out = std::move(cast);
    return S_OK;
}

// The same with an identifier, for the places where the caller names the interface it wants.
template <class I, class T>
HRESULT query(const std::shared_ptr<T>& object, const IID& iid, std::shared_ptr<I>& out) {
    if (iid != I::iid) {
        out.reset();
        return E_NOINTERFACE;
    }
    return query(object, out);
}

// Convenience form: the interface or an empty pointer.
template <class I, class T>
std::shared_ptr<I> query(const std::shared_ptr<T>& object) {
    std::shared_ptr<I> out;
    query(object, out);
    return out;
}
