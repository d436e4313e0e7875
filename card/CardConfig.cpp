#include "card/CardConfig.h"

namespace card {

CardConfig TestCardConfig() {
    CardConfig config;
    config.spectrumStepTime = std::chrono::microseconds(0);
    config.realTimeStream = false;
    config.noiseSeed = 1;
    return config;
}

}  // namespace card
