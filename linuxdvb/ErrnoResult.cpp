#include "linuxdvb/ErrnoResult.h"

#include <cerrno>

namespace linuxdvb {

namespace {

constexpr int kNotSupported = 524;  // ENOTSUPP, not in the C library's errno.h

}  // namespace

bool LacksOperation(int result) {
    return result == -EOPNOTSUPP || result == -ENOTTY || result == -kNotSupported;
}

HRESULT FromErrno(int result) {
    if (result >= 0) return S_OK;
    if (result == -EINVAL) return HRESULT_ERROR_INVALID_PARAMETER;
    if (LacksOperation(result)) return HRESULT_ERROR_NOT_SUPPORTED;
    // dvb-core answers ENODEV on every open device once its adapter is unregistered.
    if (result == -ENODEV) return HRESULT_ERROR_DEVICE_NOT_CONNECTED;
    return E_FAIL;
}

}  // namespace linuxdvb
