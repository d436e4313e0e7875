// Everything a test (or main()) can choose about the simulated card before installing it: the
// sky, which devices exist and in which order they enumerate, the tuners' pin mediums and
// topology, the CAM, and the pace of spectrum steps and of the stream.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "card/SkyOnFirstUse.h"
#include "card/UnplugPoint.h"
#include "cardkit/TunerTopology.h"

namespace card {

enum class DeviceKind { Tuner, Capture, Ci };

struct DeviceSpec {
    DeviceKind kind = DeviceKind::Tuner;
    int tuner = 1;  // 1 or 2
};

struct CardConfig {
    // Read from its plans when the card first needs it, not when the card is installed.
    SkyOnFirstUse sky;
    // Devices in enumeration order; a device left out is missing. Tuner 2 comes first, so that
    // the program has to tell the tuners apart by their mediums.
    std::vector<DeviceSpec> tunerCategory{{DeviceKind::Tuner, 2}, {DeviceKind::Tuner, 1}};
    std::vector<DeviceSpec> receiverCategory{{DeviceKind::Capture, 2},
                                             {DeviceKind::Ci, 2},
                                             {DeviceKind::Capture, 1},
                                             {DeviceKind::Ci, 1}};
    // Index 0 is tuner 1. Default: tuner medium 2 with Id = the tuner number.
    std::array<cardkit::TunerTopology, 2> tuners{cardkit::DefaultTunerTopology(1),
                                                 cardkit::DefaultTunerTopology(2)};

    // The single-cable router's PIN: with one, it obeys only channel changes that carry it.
    std::optional<std::uint8_t> routerPin;

    bool camPresent = true;
    std::string camName = "Kestrel CAM 2.04";  // 8-bit text

    // Time a spectrum step takes at settle value 50; the settle value scales it.
    std::chrono::microseconds spectrumStepTime{3000};
    // Real time delivers the stream at the transponder's bit rate; otherwise as fast as the
    // graph takes it.
    bool realTimeStream = true;
    std::size_t cardBufferBytes = 4 * 1024 * 1024;
    std::size_t packetsPerBuffer = 256;

    // Seed of the measurement noise; none seeds from the clock.
    std::optional<std::uint32_t> noiseSeed;

    // When the card goes away by itself; none: only when a test calls Unplug.
    std::optional<UnplugPoint> unplug;
};

// A configuration for tests: repeatable noise, no waiting for spectrum steps, unthrottled stream.
CardConfig TestCardConfig();

}  // namespace card
