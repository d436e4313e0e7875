#include "CardTestSupport.h"

#include "platform/ClassIds.h"
#include "platform/DeviceRegistry.h"

namespace cardtest {

Bytes PropertyHeader(const GUID& set, std::uint32_t id, std::uint32_t flags) {
    const auto wire = set.ToWire();
    Bytes header(wire.begin(), wire.end());
    const Bytes tail = Words({id, flags});
    header.insert(header.end(), tail.begin(), tail.end());
    return header;
}

Bytes NodeHeader(const GUID& set, std::uint32_t id, std::uint32_t flags, std::uint32_t node,
                 std::uint32_t reserved) {
    Bytes header = PropertyHeader(set, id, flags);
    const Bytes tail = Words({node, reserved});
    header.insert(header.end(), tail.begin(), tail.end());
    return header;
}

Bytes Words(std::initializer_list<std::uint32_t> words) {
    Bytes bytes;
    for (const std::uint32_t w : words)
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    return bytes;
}

std::uint32_t WordAt(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | bytes.at(offset + static_cast<std::size_t>(i));
    return value;
}

std::shared_ptr<IBaseFilter> BindDevice(const GUID& category, const card::DeviceSpec& device) {
    const auto name = card::DeviceDisplayName(device);
    for (const auto& entry : DevicesInCategory(category)) {
        if (entry.displayName != name) continue;
        return query<IBaseFilter>(entry.bind());
    }
    return nullptr;
}

std::vector<std::shared_ptr<IPin>> PinsOf(const std::shared_ptr<IBaseFilter>& filter) {
    std::shared_ptr<IEnumPins> pins;
    EXPECT_EQ(filter->EnumPins(&pins), S_OK);
    std::vector<std::shared_ptr<IPin>> list;
    std::shared_ptr<IPin> pin;
    std::uint32_t fetched = 0;
    while (pins->Next(1, &pin, &fetched) == S_OK) list.push_back(pin);
    return list;
}

TunerHandles OpenTuner(int tuner) {
    TunerHandles handles;
    handles.filter = BindDevice(KSCATEGORY_BDA_NETWORK_TUNER, {card::DeviceKind::Tuner, tuner});
    if (!handles.filter) return handles;
    handles.control = query<IKsControl>(PinsOf(handles.filter).at(0));
    const auto topology = query<IBDA_Topology>(handles.filter);
    topology->GetControlNode(0, 1, cardkit::kRfTunerNode, &handles.node);
    return handles;
}

HRESULT Tune(const TunerHandles& tuner, std::uint32_t frequencyKHz, Polarisation polarisation,
             std::uint32_t symbolRate, std::uint32_t lnbSource) {
    const auto control = query<IBDA_DeviceControl>(tuner.filter);
    control->StartChanges();
    const auto lnb = query<IBDA_LNBInfo>(tuner.node);
    lnb->put_LocalOscilatorFrequencyLowBand(9750000);
    lnb->put_LocalOscilatorFrequencyHighBand(10600000);
    lnb->put_HighLowSwitchFrequency(11700000);
    const auto frequency = query<IBDA_FrequencyFilter>(tuner.node);
    frequency->put_FrequencyMultiplier(1000);
    frequency->put_Frequency(frequencyKHz);
    frequency->put_Polarity(polarisation);
    query<IBDA_DigitalDemodulator>(tuner.node)->put_SymbolRate(symbolRate);
    if (lnbSource > 0) query<IBDA_DiseqCommand>(tuner.node)->put_DiseqLNBSource(lnbSource);
    return control->CommitChanges();
}

Reply Property(IKsControl& control, const Bytes& header, Bytes& data) {
    Reply reply;
    reply.hr = control.KsProperty(header.data(), static_cast<std::uint32_t>(header.size()),
                                  data.data(), static_cast<std::uint32_t>(data.size()),
                                  &reply.bytesReturned);
    return reply;
}

Reply Method(IKsControl& control, const Bytes& header, Bytes* data) {
    Reply reply;
    reply.hr = control.KsMethod(header.data(), static_cast<std::uint32_t>(header.size()),
                                data ? data->data() : nullptr,
                                data ? static_cast<std::uint32_t>(data->size()) : 0,
                                &reply.bytesReturned);
    return reply;
}

void CardTest::SetUp() { Install(card::TestCardConfig()); }

void CardTest::TearDown() {
    ClearDevices();
    m_card.reset();
}

void CardTest::Install(card::CardConfig config) {
    ClearDevices();
    m_card = card::InstallSimulatedCard(std::move(config));
}

}  // namespace cardtest
