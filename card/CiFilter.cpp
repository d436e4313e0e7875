#include "card/CiFilter.h"

#include "cardkit/CardIds.h"
#include "cardkit/LinkedPins.h"
#include "card/Scrambler.h"

namespace card {

using namespace cardkit;
namespace {

class CiInputPin : public LinkInputPin {
public:
    CiInputPin(CiFilter& filter, int tuner)
        : LinkInputPin(filter, u"CI In", {kCaptureCiLink, static_cast<std::uint32_t>(tuner), 0}),
          m_filter(filter) {}

protected:
    HRESULT OnReceive(const MediaBuffer& buffer) override { return m_filter.Pass(buffer); }

private:
    CiFilter& m_filter;
};

}  // namespace

CiFilter::CiFilter(std::shared_ptr<SimulatedCard> card, int tuner)
    : m_card(std::move(card)), m_tuner(tuner) {
    AddPin(std::make_shared<CiInputPin>(*this, tuner));
    m_output = std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"CI Out");
    AddPin(m_output);
}

HRESULT CiFilter::KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                             std::uint32_t dataLength, std::uint32_t* bytesReturned) {
    return m_card->CiProperty(m_tuner, property, propertyLength, data, dataLength, bytesReturned);
}

HRESULT CiFilter::KsMethod(const void* method, std::uint32_t methodLength, void* data,
                           std::uint32_t dataLength, std::uint32_t* bytesReturned) {
    return m_card->CiMethod(m_tuner, method, methodLength, data, dataLength, bytesReturned);
}

HRESULT CiFilter::Pass(const MediaBuffer& buffer) {
    if (!buffer || !m_card->Descrambles(m_tuner) || !HasScrambledPackets(*buffer))
        return m_output->Deliver(buffer);
    auto clear = std::make_shared<std::vector<std::uint8_t>>(*buffer);
    DescramblePackets(*clear);
    return m_output->Deliver(clear);
}

}  // namespace card
