// What the card's tests share: a freshly installed card per test, device binding through the
// device categories, request headers encoded here independently of the driver's own code, and
// a tune programmed on the control nodes the way a network provider does it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "card/CardConfig.h"
#include "cardkit/CardIds.h"
#include "card/InstallSimulatedCard.h"
#include "card/SimulatedCard.h"
#include "platform/BdaInterfaces.h"
#include "platform/FilterGraphInterfaces.h"
#include "platform/KsInterfaces.h"

namespace cardtest {

using Bytes = std::vector<std::uint8_t>;

Bytes PropertyHeader(const GUID& set, std::uint32_t id, std::uint32_t flags);
Bytes NodeHeader(const GUID& set, std::uint32_t id, std::uint32_t flags, std::uint32_t node,
                 std::uint32_t reserved = 0);
Bytes Words(std::initializer_list<std::uint32_t> words);
std::uint32_t WordAt(const Bytes& bytes, std::size_t offset);

std::shared_ptr<IBaseFilter> BindDevice(const GUID& category, const card::DeviceSpec& device);
std::vector<std::shared_ptr<IPin>> PinsOf(const std::shared_ptr<IBaseFilter>& filter);

// A tuner as the program reaches it: its filter, the IKsControl of its input pin and the RF
// tuner control node.
struct TunerHandles {
    std::shared_ptr<IBaseFilter> filter;
    std::shared_ptr<IKsControl> control;
    std::shared_ptr<IUnknown> node;
};
TunerHandles OpenTuner(int tuner);

// Programs and commits a tune as the network provider does; the result of CommitChanges.
HRESULT Tune(const TunerHandles& tuner, std::uint32_t frequencyKHz, Polarisation polarisation,
             std::uint32_t symbolRate, std::uint32_t lnbSource);

struct Reply {
    HRESULT hr = S_OK;
    std::uint32_t bytesReturned = 0;
};
Reply Property(IKsControl& control, const Bytes& header, Bytes& data);
Reply Method(IKsControl& control, const Bytes& header, Bytes* data);

// Installs a card with the test configuration (or the one given) after clearing the devices.
class CardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Install(card::CardConfig config);

    std::shared_ptr<card::SimulatedCard> m_card;
};

}  // namespace cardtest
