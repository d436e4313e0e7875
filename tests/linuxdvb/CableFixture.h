// Two frontends of one adapter on one single-cable line, each with a tuner driver set to a
// user band of its own (band 0 at 1210 MHz, band 1 at 1410 MHz), and tuning settings for a
// vertical transponder from LNB source 1.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "FakeKernel.h"
#include "linuxdvb/DeviceScan.h"
#include "linuxdvb/DvbTunerDriver.h"

namespace linuxdvb_test {

class CableFixture : public ::testing::Test {
protected:
    // `model`'s cable is set to line 0.
    explicit CableFixture(FrontendModel model = {}) {
        model.cable = 0;
        for (int frontend = 0; frontend < 2; ++frontend) {
            kernel->AddFrontend(0, frontend, model);
            kernel->AddDemux(0, frontend);
        }
        scan = linuxdvb::ScanFrontends(*kernel, kernel->Root(), {});
        for (std::uint32_t band = 0; band < 2; ++band) {
            drivers.push_back(
                std::make_unique<linuxdvb::DvbTunerDriver>(kernel, scan.frontends.at(band), 1.0));
            drivers.back()->SetScif({band, 1210 + 200 * band, cardkit::kScifUnset, 0});
        }
    }
    ~CableFixture() override {
        for (const auto& frontend : scan.frontends) kernel->Close(frontend.fd);
    }
    static cardkit::TuningSettings Settings(std::uint32_t frequencyKHz) {
        cardkit::TuningSettings settings;
        settings.frequency = frequencyKHz;
        settings.polarity = BDA_POLARISATION_LINEAR_V;
        settings.lnbSource = 1;
        settings.symbolRate = 27500;
        return settings;
    }

    std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
    linuxdvb::ScanResult scan;
    std::vector<std::unique_ptr<linuxdvb::DvbTunerDriver>> drivers;
};

}  // namespace linuxdvb_test
