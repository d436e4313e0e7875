// The recording variant's file name, and the name of the CAM in the CI slot.
#include "tuner/DriverRequest.h"
#include "tuner/TunerGraph.h"
#include "tuner/driver/CamName.h"
#include "tuner/driver/PropertySets.h"

static_assert(kCamNameSize == kCamNameBytes);

HRESULT TunerGraph::SetRecordFile(const std::u16string& path) {
    if (!m_writer) return E_FAIL;
    std::shared_ptr<IFileSinkFilter> sink;
    const HRESULT hr = query(m_writer, sink);
    if (FAILED(hr)) return hr;
    return sink->SetFileName(path, nullptr);
}

// Only a complete 256-byte answer counts; the caller's buffer is untouched otherwise.
HRESULT TunerGraph::GetCamName(std::array<std::uint8_t, kCamNameSize>& buffer) {
    if (!m_ciFilter) return E_FAIL;
    std::shared_ptr<IKsControl> control;
    HRESULT hr = query(m_ciFilter, control);
    if (hr != S_OK) return hr;
    std::array<std::uint8_t, kCamNameBytes> answer{};
    std::uint32_t returned = 0;
    hr = SendFilterProperty(*control, KSPROPSETID_CardCi, CARD_CI_CAM_NAME, KSPROPERTY_TYPE_GET,
                            answer, &returned);
    if (FAILED(hr)) return hr;
    if (returned != kCamNameBytes) return E_FAIL;
    DecodeCamName(answer, buffer);
    return S_OK;
}
