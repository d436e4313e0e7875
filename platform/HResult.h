// Result codes as the platform returns them: negative is failure, 0 success, 1 "success, but".
#pragma once

#include <cstdint>

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);

// Win32 errors as a driver reports them through kernel streaming (HRESULT_FROM_WIN32).
inline constexpr HRESULT HRESULT_ERROR_INVALID_PARAMETER = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT HRESULT_ERROR_INSUFFICIENT_BUFFER = static_cast<HRESULT>(0x8007007Au);
inline constexpr HRESULT HRESULT_ERROR_MORE_DATA = static_cast<HRESULT>(0x800700EAu);
inline constexpr HRESULT HRESULT_ERROR_NOT_FOUND = static_cast<HRESULT>(0x80070490u);
inline constexpr HRESULT HRESULT_ERROR_SET_NOT_FOUND = static_cast<HRESULT>(0x80070492u);
inline constexpr HRESULT HRESULT_ERROR_NOT_READY = static_cast<HRESULT>(0x80070015u);
inline constexpr HRESULT HRESULT_ERROR_BAD_COMMAND = static_cast<HRESULT>(0x80070016u);
inline constexpr HRESULT HRESULT_ERROR_NOT_SUPPORTED = static_cast<HRESULT>(0x80070032u);
inline constexpr HRESULT HRESULT_ERROR_BUSY = static_cast<HRESULT>(0x800700AAu);
// The device went away (unplugged, its driver unloaded); it does not come back to this handle.
inline constexpr HRESULT HRESULT_ERROR_DEVICE_NOT_CONNECTED = static_cast<HRESULT>(0x8007048Fu);

// Filter graph results.
inline constexpr HRESULT VFW_S_DUPLICATE_NAME = static_cast<HRESULT>(0x0004022Du);  // renamed
inline constexpr HRESULT VFW_E_INVALID_DIRECTION = static_cast<HRESULT>(0x80040208u);
inline constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022Au);
inline constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224u);
inline constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
inline constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025Fu);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}
