// The system's device categories: an enumerator of device monikers per category, and monikers
// that name a device and create a new filter object for it on each bind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Unknown.h"

struct IMoniker : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{0000000F-0000-0000-C000-000000000046}");
    // A new object of the device on each call, asked for `iid`.
    virtual HRESULT BindToObjectRaw(const IID& iid, std::shared_ptr<IUnknown>* object) = 0;
    virtual HRESULT GetDisplayName(std::nullptr_t bindContext, std::nullptr_t leftMoniker,
                                   std::u16string* displayName) = 0;

    // BindToObject(no bind context, no left moniker, iid, &out).
    template <class I>
    HRESULT BindToObject(std::nullptr_t, std::nullptr_t, const IID& iid, std::shared_ptr<I>* out) {
        if (!out) return E_POINTER;
        out->reset();
        std::shared_ptr<IUnknown> object;
        const HRESULT hr = BindToObjectRaw(iid, &object);
        if (FAILED(hr)) return hr;
        return query(object, iid, *out);
    }
};

struct IEnumMoniker : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{00000102-0000-0000-C000-000000000046}");
    virtual HRESULT Next(std::uint32_t count, std::shared_ptr<IMoniker>* monikers,
                         std::uint32_t* fetched) = 0;
    virtual HRESULT Reset() = 0;
};

struct ICreateDevEnum : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{29840822-5B84-11D0-BD3B-00A0C911CE86}");
    // S_FALSE and no enumerator for a category without devices.
    virtual HRESULT CreateClassEnumerator(const GUID& category,
                                          std::shared_ptr<IEnumMoniker>* enumerator,
                                          std::uint32_t flags) = 0;
};
