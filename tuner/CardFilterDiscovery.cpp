// Finding the card's own filters among the system's devices. Nothing is known of them by class:
// the tuner is told by the tuner number in its output pin's medium, the capture filter by being
// the first receiver component that connects to that tuner, and the CI filter by its device
// name. A candidate that does not fit leaves the graph again and is released.
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceInterfaces.h"
#include "tuner/DriverRequest.h"
#include "tuner/TunerGraph.h"
#include "tuner/driver/CardDevices.h"
#include "tuner/driver/DriverWord.h"
#include "tuner/driver/PropertySets.h"

namespace {

// The devices of one category. Anything but S_OK is handed back: S_FALSE for an empty category.
HRESULT EnumerateCategory(const GUID& category, std::shared_ptr<IEnumMoniker>* devices) {
    std::shared_ptr<ICreateDevEnum> deviceEnumerator;
    const HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL,
                                        ICreateDevEnum::iid, &deviceEnumerator);
    if (FAILED(hr)) return hr;
    return deviceEnumerator->CreateClassEnumerator(category, devices, 0);
}

std::shared_ptr<IMoniker> NextDevice(IEnumMoniker& devices) {
    std::shared_ptr<IMoniker> device;
    std::uint32_t fetched = 0;
    if (devices.Next(1, &device, &fetched) != S_OK) return nullptr;
    return device;
}

// Binds the category's devices in order, puts each into the graph under `name` and keeps the
// first that `fits` there; the others are removed again. Without a fitting device the result is
// the last candidate's failure (its bind, or its removal) or E_FAIL.
template <class Fits>
HRESULT ChooseDevice(IGraphBuilder& graph, const GUID& category, const std::u16string& name,
                     std::shared_ptr<IBaseFilter>& chosen, Fits fits) {
    std::shared_ptr<IEnumMoniker> devices;
    HRESULT hr = EnumerateCategory(category, &devices);
    if (hr != S_OK) return hr;

    HRESULT lastCandidate = S_OK;
    while (const std::shared_ptr<IMoniker> device = NextDevice(*devices)) {
        std::shared_ptr<IBaseFilter> filter;
        hr = device->BindToObject(nullptr, nullptr, IBaseFilter::iid, &filter);
        if (FAILED(hr)) {
            lastCandidate = hr;
            continue;
        }
        graph.AddFilter(filter, name);
        if (fits(filter)) {
            chosen = filter;
            return S_OK;
        }
        lastCandidate = graph.RemoveFilter(filter);
    }
    return FAILED(lastCandidate) ? lastCandidate : E_FAIL;
}

bool IsTunerMedium(const KSPIN_MEDIUM& medium) {
    return medium.Set == kTunerMedium1 || medium.Set == kTunerMedium2;
}

// Whether an output pin's mediums name this tuner. On a pin, the last medium of one of the two
// tuner sets decides; the first pin that names the tuner ends the walk.
bool CarriesTunerNumber(IBaseFilter& filter, std::int32_t tunerNumber) {
    std::shared_ptr<IEnumPins> pins;
    if (FAILED(filter.EnumPins(&pins))) return false;
    bool match = false;
    std::shared_ptr<IPin> pin;
    std::uint32_t fetched = 0;
    while (!match && pins->Next(1, &pin, &fetched) == S_OK) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) continue;
        std::shared_ptr<IKsPin> ksPin;
        std::vector<KSPIN_MEDIUM> mediums;
        if (FAILED(query(pin, ksPin)) || FAILED(ksPin->KsQueryMediums(&mediums))) continue;
        for (const KSPIN_MEDIUM& medium : mediums) {
            if (IsTunerMedium(medium)) {
                match =
                    (medium.Id & kTunerMediumNumberMask) == static_cast<std::uint32_t>(tunerNumber);
            }
        }
    }
    return match;
}

bool IsCiDeviceName(const std::u16string& displayName) {
    for (std::u16string_view marker : kCiDeviceNames) {
        if (displayName.find(marker) != std::u16string::npos) return true;
    }
    return false;
}

// CARD_CI_MODE: how the CI filter routes the stream, set before the filter enters a graph.
HRESULT SendCiMode(IKsControl& control, std::uint32_t ciMode) {
    auto data = EncodeDriverWord(ciMode);
    std::uint32_t returned = 0;
    return SendFilterProperty(control, KSPROPSETID_CardCi, CARD_CI_MODE, KSPROPERTY_TYPE_SET, data,
                              &returned);
}

}  // namespace

HRESULT TunerGraph::AddTunerFilter(std::int32_t tunerNumber) {
    if (!m_networkProvider) return E_FAIL;
    return ChooseDevice(*m_graph, KSCATEGORY_BDA_NETWORK_TUNER, u"DVBS TUNER", m_tunerFilter,
                        [&](const std::shared_ptr<IBaseFilter>& filter) {
                            return SUCCEEDED(ConnectFilters(m_networkProvider, filter)) &&
                                   CarriesTunerNumber(*filter, tunerNumber);
                        });
}

HRESULT TunerGraph::AddCaptureFilter() {
    if (!m_tunerFilter) return E_FAIL;
    return ChooseDevice(*m_graph, KSCATEGORY_BDA_RECEIVER_COMPONENT, u"DVBS Capture",
                        m_captureFilter, [&](const std::shared_ptr<IBaseFilter>& filter) {
                            return SUCCEEDED(ConnectFilters(m_tunerFilter, filter));
                        });
}

HRESULT TunerGraph::AddCiFilter() {
    std::shared_ptr<IEnumMoniker> devices;
    HRESULT hr = EnumerateCategory(KSCATEGORY_BDA_RECEIVER_COMPONENT, &devices);
    if (hr != S_OK) return hr;

    HRESULT lastFailure = S_OK;
    while (const std::shared_ptr<IMoniker> device = NextDevice(*devices)) {
        std::u16string displayName;
        if (device->GetDisplayName(nullptr, nullptr, &displayName) != S_OK ||
            !IsCiDeviceName(displayName)) {
            continue;
        }
        std::shared_ptr<IBaseFilter> candidate;
        std::shared_ptr<IKsControl> control;
        if (FAILED(hr = device->BindToObject(nullptr, nullptr, IBaseFilter::iid, &candidate)) ||
            FAILED(hr = query(candidate, control)) || FAILED(hr = SendCiMode(*control, m_ciMode))) {
            lastFailure = hr;
            continue;
        }
        m_graph->AddFilter(candidate, u"DVBS CI");
        hr = ConnectFilters(m_captureFilter, candidate);
        if (SUCCEEDED(hr)) {
            m_ciFilter = candidate;
            return S_OK;
        }
        lastFailure = hr;
        m_graph->RemoveFilter(candidate);
    }
    return FAILED(lastFailure) ? lastFailure : E_FAIL;
}
