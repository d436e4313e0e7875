// The card the CAM menu dialog's tests run against, chosen when a suite is linked: the
// simulated card in the dialogs' suite, a real card's backend (over a fake kernel with a
// simulated module in its CI slot) in the Linux backend's suite. It installs its devices for one
// test and removes them afterwards.
#pragma once

#include <cstdint>
#include <memory>

#include "tuner/TunerGraph.h"

class CardBackend {
public:
    virtual ~CardBackend() = default;
    // Tuner `tuner`'s graph, built as the application builds it, with the card's CI filter.
    virtual std::unique_ptr<TunerGraph> MakeReadyGraph(std::int32_t tuner) = 0;
};

std::unique_ptr<CardBackend> MakeCardBackend();
