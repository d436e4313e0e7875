#include "cardkit/LinkedPins.h"

#include <algorithm>

namespace cardkit {
namespace {

bool SameMedium(const KSPIN_MEDIUM& a, const KSPIN_MEDIUM& b) {
    return a.Set == b.Set && a.Id == b.Id;
}

}  // namespace

LinkOutputPin::LinkOutputPin(FilterBase& filter, std::u16string name, KSPIN_MEDIUM medium)
    : PinBase(filter, PINDIR_OUTPUT, std::move(name)), m_medium(medium) {}

HRESULT LinkOutputPin::KsQueryMediums(std::vector<KSPIN_MEDIUM>* mediums) {
    if (!mediums) return E_POINTER;
    *mediums = {m_medium};
    return S_OK;
}

LinkInputPin::LinkInputPin(FilterBase& filter, std::u16string name, KSPIN_MEDIUM medium)
    : PinBase(filter, PINDIR_INPUT, std::move(name)), m_medium(medium) {}

HRESULT LinkInputPin::KsQueryMediums(std::vector<KSPIN_MEDIUM>* mediums) {
    if (!mediums) return E_POINTER;
    *mediums = {m_medium};
    return S_OK;
}

bool LinkInputPin::AcceptConnection(const std::shared_ptr<IPin>& connector) {
    const auto ksPin = query<IKsPin>(connector);
    std::vector<KSPIN_MEDIUM> mediums;
    if (!ksPin || FAILED(ksPin->KsQueryMediums(&mediums))) return false;
    return std::any_of(mediums.begin(), mediums.end(),
                       [&](const KSPIN_MEDIUM& m) { return SameMedium(m, m_medium); });
}

}  // namespace cardkit
