// Stands in for CoCreateInstance: a process-wide table from class id to factory. The program
// registers the stand-in classes at start-up; a test may leave one out to take another road.
#pragma once

#include <functional>
#include <memory>

#include "platform/Unknown.h"

using ComponentFactory = std::function<std::shared_ptr<IUnknown>()>;

inline constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;
inline constexpr std::uint32_t CLSCTX_ALL = 0x17;

void RegisterComponentClass(const CLSID& clsid, ComponentFactory factory);
void UnregisterComponentClass(const CLSID& clsid);
void ClearComponentClasses();

// Creates an object of the class; REGDB_E_CLASSNOTREG when the class is not registered.
HRESULT CreateComponent(const CLSID& clsid, std::shared_ptr<IUnknown>& object);

// CoCreateInstance(clsid, no outer object, context, iid, &out): the object asked for `iid`.
template <class I>
HRESULT CoCreateInstance(const CLSID& clsid, std::nullptr_t /*outer*/, std::uint32_t /*context*/,
                         const IID& iid, std::shared_ptr<I>* out) {
    if (!out) return E_POINTER;
    out->reset();
    std::shared_ptr<IUnknown> object;
    const HRESULT hr = CreateComponent(clsid, object);
    if (FAILED(hr)) return hr;
    return query(object, iid, *out);
}
