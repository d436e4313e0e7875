// The channels of the example lists as the menus tune them: the satellite list names a channel
// list for each tuner and LNB source, and every channel of it becomes one tune command.
#pragma once

#include <filesystem>
#include <vector>

#include "tuner/TuneParameters.h"

struct ExampleChannel {
    int tuner = 1;
    TuneParameters parameters;
};

// Reads "SatelliteList.csv" and the lists it names from `folder`.
std::vector<ExampleChannel> LoadExampleChannels(const std::filesystem::path& folder);
