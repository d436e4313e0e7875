#include "platform/FilterBase.h"

#include "platform/Enumerators.h"

PinBase::PinBase(FilterBase& filter, PIN_DIRECTION direction, std::u16string name)
    : m_filter(filter), m_direction(direction), m_name(std::move(name)) {}

HRESULT PinBase::Connect(const std::shared_ptr<IPin>& receivePin, const AM_MEDIA_TYPE* mt) {
    if (!receivePin) return E_POINTER;
    if (m_direction != PINDIR_OUTPUT) return E_UNEXPECTED;
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    const HRESULT hr = receivePin->ReceiveConnection(shared_from_this(), mt);
    if (FAILED(hr)) return hr;
    {
        std::lock_guard lock(m_mutex);
        m_peer = receivePin;
        m_peerInput = query<IMemInputPin>(receivePin);
    }
    OnConnected();
    return S_OK;
}

HRESULT PinBase::ReceiveConnection(const std::shared_ptr<IPin>& connector, const AM_MEDIA_TYPE*) {
    if (!connector) return E_POINTER;
    if (m_direction != PINDIR_INPUT) return E_UNEXPECTED;
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    PIN_DIRECTION peerDirection = PINDIR_INPUT;
    if (FAILED(connector->QueryDirection(&peerDirection)) || peerDirection != PINDIR_OUTPUT)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (!AcceptConnection(connector)) return VFW_E_TYPE_NOT_ACCEPTED;
    {
        std::lock_guard lock(m_mutex);
        m_peer = connector;
    }
    OnConnected();
    return S_OK;
}

HRESULT PinBase::Disconnect() {
    std::lock_guard lock(m_mutex);
    if (m_peer.expired() && m_peerInput.expired()) return S_FALSE;
    m_peer.reset();
    m_peerInput.reset();
    return S_OK;
}

HRESULT PinBase::ConnectedTo(std::shared_ptr<IPin>* pin) {
    if (!pin) return E_POINTER;
    *pin = Peer();
    return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT PinBase::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = m_direction;
    return S_OK;
}

HRESULT PinBase::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = m_filter.shared_from_this();
    info->dir = m_direction;
    info->achName = m_name;
    return S_OK;
}

HRESULT PinBase::Receive(const MediaBuffer& buffer) {
    if (m_direction != PINDIR_INPUT) return E_UNEXPECTED;
    return OnReceive(buffer);
}

bool PinBase::Supports(const IID& iid) const {
    return iid != IMemInputPin::iid || m_direction == PINDIR_INPUT;
}

HRESULT PinBase::Deliver(const MediaBuffer& buffer) {
    std::shared_ptr<IMemInputPin> input;
    {
        std::lock_guard lock(m_mutex);
        input = m_peerInput.lock();
    }
    return input ? input->Receive(buffer) : S_FALSE;
}

bool PinBase::IsConnected() const { return Peer() != nullptr; }

std::shared_ptr<IPin> PinBase::Peer() const {
    std::lock_guard lock(m_mutex);
    return m_peer.lock();
}

bool PinBase::AcceptConnection(const std::shared_ptr<IPin>&) { return true; }

HRESULT PinBase::OnReceive(const MediaBuffer&) { return S_OK; }

HRESULT FilterBase::EnumPins(std::shared_ptr<IEnumPins>* pins) {
    if (!pins) return E_POINTER;
    auto self = shared_from_this();
    *pins = MakePinEnumerator([self] {
        std::vector<std::shared_ptr<IPin>> list;
        for (auto& pin : self->Pins()) list.push_back(pin);
        return list;
    });
    return S_OK;
}

HRESULT FilterBase::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    std::lock_guard lock(m_mutex);
    info->achName = m_name;
    info->pGraph = m_graph.lock();
    return S_OK;
}

HRESULT FilterBase::JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                                    const std::u16string& name) {
    std::lock_guard lock(m_mutex);
    m_graph = graph;
    m_name = graph ? name : std::u16string();
    return S_OK;
}

HRESULT FilterBase::Stop() {
    if (m_state.exchange(State_Stopped) != State_Stopped) OnStop();
    return S_OK;
}

HRESULT FilterBase::Run(std::int64_t) {
    if (m_state.exchange(State_Running) != State_Running) OnRun();
    return S_OK;
}

HRESULT FilterBase::GetState(std::uint32_t, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = m_state.load();
    return S_OK;
}

std::vector<std::shared_ptr<PinBase>> FilterBase::Pins() const {
    std::lock_guard lock(m_mutex);
    return m_pins;
}

void FilterBase::AddPin(std::shared_ptr<PinBase> pin) {
    std::lock_guard lock(m_mutex);
    if (pin->Direction() == PINDIR_OUTPUT) {
        auto outputs = std::make_shared<PinList>(*m_outputs);
        outputs->push_back(pin);
        m_outputs = std::move(outputs);
    }
    m_pins.push_back(std::move(pin));
}

void FilterBase::DeliverToEveryOutput(const MediaBuffer& buffer) {
    std::shared_ptr<const PinList> outputs;
    {
        std::lock_guard lock(m_mutex);
        outputs = m_outputs;
    }
    for (const auto& pin : *outputs) pin->Deliver(buffer);
}
