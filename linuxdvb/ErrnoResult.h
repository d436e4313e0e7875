// The program's answer for what a kernel call returned: S_OK for success, and for -errno the
// nearest driver error (an invalid value, an operation the driver lacks, or a plain failure).
//
// Any thread.
#pragma once

#include "platform/HResult.h"

namespace linuxdvb {

HRESULT FromErrno(int result);

}  // namespace linuxdvb
