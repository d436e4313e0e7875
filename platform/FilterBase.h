// Base classes that make a filter short to write: a filter owns its pins in enumeration order,
// knows the graph it is in, and runs or stops; a pin connects, disconnects and passes buffers.
// Pins refer to their peer weakly, so connected filters never keep each other alive.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FilterGraphInterfaces.h"

class FilterBase;

class PinBase : public IPin, public IMemInputPin, public std::enable_shared_from_this<PinBase> {
public:
    PinBase(FilterBase& filter, PIN_DIRECTION direction, std::u16string name);

    HRESULT Connect(const std::shared_ptr<IPin>& receivePin, const AM_MEDIA_TYPE* mt) override;
    HRESULT ReceiveConnection(const std::shared_ptr<IPin>& connector,
                              const AM_MEDIA_TYPE* mt) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(std::shared_ptr<IPin>* pin) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT Receive(const MediaBuffer& buffer) override;
    bool Supports(const IID& iid) const override;

    // Output pins: hands the buffer to the connected input pin (S_FALSE when not connected).
    // Called on the filter's streaming thread.
    HRESULT Deliver(const MediaBuffer& buffer);
    bool IsConnected() const;
    std::shared_ptr<IPin> Peer() const;
    PIN_DIRECTION Direction() const { return m_direction; }
    FilterBase& Filter() const { return m_filter; }

protected:
    // Input side: whether a connection from `connector` is accepted. Default: any output pin.
    virtual bool AcceptConnection(const std::shared_ptr<IPin>& connector);
    // Input side: one buffer of whole packets, on the upstream streaming thread.
    virtual HRESULT OnReceive(const MediaBuffer& buffer);
    virtual void OnConnected() {}

private:
    FilterBase& m_filter;
    const PIN_DIRECTION m_direction;
    const std::u16string m_name;
    mutable std::mutex m_mutex;
    std::weak_ptr<IPin> m_peer;
    std::weak_ptr<IMemInputPin> m_peerInput;
};

class FilterBase : public IBaseFilter, public std::enable_shared_from_this<FilterBase> {
public:
    HRESULT EnumPins(std::shared_ptr<IEnumPins>* pins) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                            const std::u16string& name) override;
    HRESULT Stop() override;
    HRESULT Run(std::int64_t startTime) override;
    HRESULT GetState(std::uint32_t milliSecsTimeout, FILTER_STATE* state) override;

    std::vector<std::shared_ptr<PinBase>> Pins() const;
    FILTER_STATE State() const { return m_state.load(); }

protected:
    // Pins appear in the order they are added; a pin added later shows in the next enumeration.
    void AddPin(std::shared_ptr<PinBase> pin);
    // Hands the buffer to every connected output pin, on the calling streaming thread.
    void DeliverToEveryOutput(const MediaBuffer& buffer);
    // Start and stop streaming. OnStop returns only when the filter's own streaming thread, if
    // it has one, has left every downstream filter.
    virtual void OnRun() {}
    virtual void OnStop() {}

private:
    using PinList = std::vector<std::shared_ptr<PinBase>>;

    mutable std::mutex m_mutex;
    PinList m_pins;
    // The output pins, a list replaced (never changed) when one is added: a streaming thread
    // takes it with one reference per buffer instead of copying the pin list each time.
    std::shared_ptr<const PinList> m_outputs = std::make_shared<const PinList>();
    std::weak_ptr<IFilterGraph> m_graph;
    std::u16string m_name;
    std::atomic<FILTER_STATE> m_state{State_Stopped};
};
