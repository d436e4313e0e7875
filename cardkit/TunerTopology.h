// How a tuner filter presents itself to the program: the mediums its output pin lists (which is
// how card filter discovery tells the tuners apart), its pins' ids and its BDA node types.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/KsInterfaces.h"

namespace cardkit {

// Node types of a tuner's topology.
inline constexpr std::uint32_t kRfTunerNode = 0;
inline constexpr std::uint32_t kDemodulatorNode = 1;

struct TunerTopology {
    // Mediums the output pin lists for discovery; the card's own link medium follows them.
    std::vector<KSPIN_MEDIUM> outputMediums;
    std::uint32_t outputPinId = 1;  // the input pin's id is 1 minus this
    // Node types in the order GetNodeTypes lists them; requests on the tuner address the
    // position of kRfTunerNode.
    std::vector<std::uint32_t> nodeTypes{kRfTunerNode, kDemodulatorNode};

    std::uint32_t InputPinId() const { return 1 - outputPinId; }
    // Position of the RF tuner node in the node-type list: the node id of the tuner's requests.
    std::uint32_t ControlNodeId() const;
};

// What a driver of this card publishes for tuner `tuner` (1, 2, ...): tuner medium 2 with
// Id = the tuner number.
TunerTopology DefaultTunerTopology(int tuner);

}  // namespace cardkit
