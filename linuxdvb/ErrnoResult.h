// The program's answer for what a kernel call returned: S_OK for success, and for -errno the
// nearest driver error (an invalid value, an operation the driver lacks, a device that is gone,
// or a plain failure).
//
// Any thread.
#pragma once

#include "platform/HResult.h"

namespace linuxdvb {

HRESULT FromErrno(int result);

// Whether `result` says the frontend's driver lacks the operation: EOPNOTSUPP, ENOTTY, or the
// kernel's own ENOTSUPP (524, which dvb-core answers for an operation a driver left out).
bool LacksOperation(int result);

}  // namespace linuxdvb
