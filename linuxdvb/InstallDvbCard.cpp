#include "linuxdvb/InstallDvbCard.h"

namespace linuxdvb {

std::shared_ptr<DvbCard> InstallDvbCard(const DvbCardOptions& options) {
    const std::shared_ptr<DvbIo> io = options.io ? options.io : SystemDvbIo();
    auto card = std::make_shared<DvbCard>(io, ScanFrontends(*io, options.root, options.frontendOrder),
                                          options.settleScale);
    return card;
}

}  // namespace linuxdvb
