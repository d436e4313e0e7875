#include "platform/NetworkProvider.h"

#include <array>
#include <vector>

#include "platform/BdaInterfaces.h"

struct NetworkProvider::Settings {
    std::int32_t frequencyKHz = -1;
    std::int32_t symbolRate = -1;
    Polarisation polarisation = BDA_POLARISATION_NOT_SET;
    LNB_Source lnbSource = BDA_LNB_SOURCE_NOT_SET;
    std::int32_t lowOscillator = -1;
    std::int32_t highOscillator = -1;
    std::int32_t lnbSwitch = -1;
    DvbsSystem system = DVBS_SYSTEM_NOT_SET;
    std::int32_t inputStreamId = kInputStreamNotSet;
    std::int32_t plsCode = kPlsCodeNotSet;

    // A stream or code only a node that selects streams can honour.
    bool NeedsStreamSelection() const {
        return inputStreamId != kInputStreamNotSet || plsCode != kPlsCodeNotSet;
    }
};

namespace {

constexpr std::uint32_t kMaxNodeTypes = 32;
constexpr std::uint32_t kFrequencyMultiplierKHz = 1000;

// The BDA pin id of a pin, or `fallback` when the pin does not tell.
std::uint32_t PinIdOf(const std::shared_ptr<IPin>& pin, std::uint32_t fallback) {
    std::uint32_t id = fallback;
    const auto control = query<IBDA_PinControl>(pin);
    return control && control->GetPinID(&id) == S_OK ? id : fallback;
}

// The tuner's output pin id: the last output pin that reports one, as the program reads it too.
std::uint32_t OutputPinIdOf(const std::shared_ptr<IBaseFilter>& tuner) {
    std::uint32_t id = 1;
    std::shared_ptr<IEnumPins> pins;
    if (FAILED(tuner->EnumPins(&pins)) || !pins) return id;
    std::shared_ptr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT)
            id = PinIdOf(pin, id);
    }
    return id;
}

}  // namespace

NetworkProvider::NetworkProvider(Kind kind)
    : m_kind(kind), m_output(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"Antenna Out")) {
    AddPin(m_output);
}

HRESULT NetworkProvider::put_TuneRequest(const std::shared_ptr<ITuneRequest>& request) {
    if (!request) return E_POINTER;
    Settings settings;
    std::shared_ptr<ILocator> locator;
    request->get_Locator(&locator);
    if (locator) {
        locator->get_CarrierFrequency(&settings.frequencyKHz);
        locator->get_SymbolRate(&settings.symbolRate);
    }
    if (const auto dvbs = query<IDVBSLocator>(locator))
        dvbs->get_SignalPolarisation(&settings.polarisation);
    if (const auto dvbs2 = query<IDVBSLocator2>(locator); dvbs2 && m_kind == Kind::Generic)
        dvbs2->get_DiseqLNBSource(&settings.lnbSource);
    if (const auto stream = query<IDVBSStreamLocator>(locator)) {
        stream->get_SignalSystem(&settings.system);
        stream->get_InputStreamId(&settings.inputStreamId);
        stream->get_PlsCode(&settings.plsCode);
    }
    std::shared_ptr<ITuningSpace> space;
    request->get_TuningSpace(&space);
    if (const auto dvbsSpace = query<IDVBSTuningSpace>(space)) {
        dvbsSpace->get_LowOscillator(&settings.lowOscillator);
        dvbsSpace->get_HighOscillator(&settings.highOscillator);
        dvbsSpace->get_LNBSwitch(&settings.lnbSwitch);
    }
    if (settings.frequencyKHz == -1) return S_OK;  // nowhere to tune yet

    std::lock_guard lock(m_tuneMutex);
    const auto tuner = ConnectedTuner();
    return tuner ? ProgramTuner(tuner, settings) : E_FAIL;
}

std::shared_ptr<IBaseFilter> NetworkProvider::ConnectedTuner() const {
    const auto peer = m_output->Peer();
    PIN_INFO info;
    return peer && SUCCEEDED(peer->QueryPinInfo(&info)) ? info.pFilter : nullptr;
}

HRESULT NetworkProvider::ProgramTuner(const std::shared_ptr<IBaseFilter>& tuner,
                                      const Settings& settings) {
    const auto topology = query<IBDA_Topology>(tuner);
    const auto control = query<IBDA_DeviceControl>(tuner);
    if (!topology || !control) return E_FAIL;
    const std::uint32_t inputPinId = PinIdOf(m_output->Peer(), 0);
    const std::uint32_t outputPinId = OutputPinIdOf(tuner);

    std::array<std::uint32_t, kMaxNodeTypes> nodeTypes{};
    std::uint32_t nodeTypeCount = 0;
    HRESULT hr = topology->GetNodeTypes(&nodeTypeCount, kMaxNodeTypes, nodeTypes.data());
    if (FAILED(hr)) return hr;
    std::vector<std::shared_ptr<IUnknown>> nodes;
    bool selectsStreams = false;
    for (std::uint32_t i = 0; i < nodeTypeCount && i < kMaxNodeTypes; ++i) {
        std::shared_ptr<IUnknown> node;
        if (topology->GetControlNode(inputPinId, outputPinId, nodeTypes[i], &node) != S_OK)
            continue;
        selectsStreams = selectsStreams || query<IBDA_StreamSelection>(node) != nullptr;
        nodes.push_back(std::move(node));
    }
    // Tuning the carrier's default stream instead of the one asked for would record the wrong
    // programmes without a word: such a tuner is left as it is.
    if (settings.NeedsStreamSelection() && !selectsStreams) return E_NOTIMPL;
    hr = control->StartChanges();
    if (FAILED(hr)) return hr;
    for (const auto& node : nodes) {
        hr = ProgramNode(node, settings);
        if (FAILED(hr)) return hr;  // left uncommitted: the next StartChanges drops it
    }
    return control->CommitChanges();
}

HRESULT NetworkProvider::ProgramNode(const std::shared_ptr<IUnknown>& node,
                                     const Settings& settings) {
    HRESULT hr = S_OK;
    const auto step = [&hr](HRESULT result) {
        if (SUCCEEDED(hr)) hr = result;
    };
    if (const auto lnb = query<IBDA_LNBInfo>(node)) {
        if (settings.lowOscillator != -1)
            step(lnb->put_LocalOscilatorFrequencyLowBand(
                static_cast<std::uint32_t>(settings.lowOscillator)));
        if (settings.highOscillator != -1)
            step(lnb->put_LocalOscilatorFrequencyHighBand(
                static_cast<std::uint32_t>(settings.highOscillator)));
        if (settings.lnbSwitch != -1)
            step(lnb->put_HighLowSwitchFrequency(static_cast<std::uint32_t>(settings.lnbSwitch)));
    }
    if (const auto frequency = query<IBDA_FrequencyFilter>(node)) {
        step(frequency->put_FrequencyMultiplier(kFrequencyMultiplierKHz));
        step(frequency->put_Frequency(static_cast<std::uint32_t>(settings.frequencyKHz)));
        if (settings.polarisation != BDA_POLARISATION_NOT_SET)
            step(frequency->put_Polarity(settings.polarisation));
    }
    if (const auto demodulator = query<IBDA_DigitalDemodulator>(node);
        demodulator && settings.symbolRate != -1)
        step(demodulator->put_SymbolRate(static_cast<std::uint32_t>(settings.symbolRate)));
    if (const auto stream = query<IBDA_StreamSelection>(node)) {
        step(stream->put_SignalSystem(settings.system));
        step(stream->put_InputStreamId(settings.inputStreamId));
        step(stream->put_PlsCode(settings.plsCode));
    }
    if (const auto diseqc = query<IBDA_DiseqCommand>(node); diseqc && settings.lnbSource > 0)
        step(diseqc->put_DiseqLNBSource(static_cast<std::uint32_t>(settings.lnbSource)));
    return hr;
}
