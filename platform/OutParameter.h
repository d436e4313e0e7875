// Reading a property into a caller's out-parameter, as every get_ method does.
#pragma once

#include <atomic>

#include "platform/HResult.h"

template <class T>
HRESULT CopyOut(const std::atomic<T>& value, T* out) {
    if (!out) return E_POINTER;
    *out = value.load();
    return S_OK;
}
