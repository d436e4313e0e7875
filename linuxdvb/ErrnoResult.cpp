#include "linuxdvb/ErrnoResult.h"

#include <cerrno>

namespace linuxdvb {

HRESULT FromErrno(int result) {
    if (result >= 0) return S_OK;
    switch (-result) {
        case EINVAL:
            return HRESULT_ERROR_INVALID_PARAMETER;
        case EOPNOTSUPP:
        case ENOTTY:
        case 524:  // ENOTSUPP: the frontend's driver lacks the operation
            return HRESULT_ERROR_NOT_SUPPORTED;
        default:
            return E_FAIL;
    }
}

}  // namespace linuxdvb
