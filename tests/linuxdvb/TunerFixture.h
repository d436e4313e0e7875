// One satellite frontend on the fake kernel with a tuner driver over it, and tuning settings
// as the network provider would commit them.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "FakeKernel.h"
#include "linuxdvb/DeviceScan.h"
#include "linuxdvb/DvbTunerDriver.h"

namespace linuxdvb_test {

class TunerFixture : public ::testing::Test {
protected:
    explicit TunerFixture(FrontendModel model = {}) {
        kernel->AddFrontend(0, 0, std::move(model));
        kernel->AddDemux(0, 0);
        scan = linuxdvb::ScanFrontends(*kernel, kernel->Root(), {});
        driver = std::make_unique<linuxdvb::DvbTunerDriver>(kernel, scan.frontends.at(0), 1.0);
    }
    ~TunerFixture() override {
        for (const auto& frontend : scan.frontends) kernel->Close(frontend.fd);
    }

    // A tune to `frequencyKHz` (downlink) with `polarity`, from LNB source `source`.
    static cardkit::TuningSettings Settings(std::uint32_t frequencyKHz, ::Polarisation polarity,
                                            std::uint32_t source,
                                            std::uint32_t symbolRate = 27500) {
        cardkit::TuningSettings settings;
        settings.frequency = frequencyKHz;
        settings.polarity = polarity;
        settings.lnbSource = source;
        settings.symbolRate = symbolRate;
        return settings;
    }

    // The journal since the last look.
    std::vector<std::string> Take() {
        auto journal = kernel->Journal();
        kernel->ClearJournal();
        return journal;
    }
    // The tunes of the journal since the last look.
    std::vector<std::string> Tunes() {
        std::vector<std::string> tunes;
        for (auto& entry : Take())
            if (entry.starts_with("tune ")) tunes.push_back(entry);
        return tunes;
    }

    std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
    linuxdvb::ScanResult scan;
    std::unique_ptr<linuxdvb::DvbTunerDriver> driver;
};

}  // namespace linuxdvb_test
