#include "card/CardConfig.h"

#include "card/CardIds.h"

namespace card {

TunerTopology CardConfig::DefaultTopology(int tuner) {
    TunerTopology topology;
    topology.outputMediums = {{kTunerMedium2, static_cast<std::uint32_t>(tuner), 0}};
    return topology;
}

CardConfig TestCardConfig() {
    CardConfig config;
    config.spectrumStepTime = std::chrono::microseconds(0);
    config.realTimeStream = false;
    config.noiseSeed = 1;
    return config;
}

}  // namespace card
