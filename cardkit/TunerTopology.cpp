#include "cardkit/TunerTopology.h"

#include <algorithm>

#include "cardkit/CardIds.h"

namespace cardkit {

std::uint32_t TunerTopology::ControlNodeId() const {
    const auto found = std::find(nodeTypes.begin(), nodeTypes.end(), kRfTunerNode);
    return static_cast<std::uint32_t>(found - nodeTypes.begin());
}

TunerTopology DefaultTunerTopology(int tuner) {
    TunerTopology topology;
    topology.outputMediums = {{kTunerMedium2, static_cast<std::uint32_t>(tuner), 0}};
    return topology;
}

}  // namespace cardkit
