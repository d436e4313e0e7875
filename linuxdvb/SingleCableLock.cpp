#include "linuxdvb/SingleCableLock.h"

namespace linuxdvb {

std::mutex& SingleCableLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace linuxdvb
