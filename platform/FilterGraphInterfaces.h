// The filter graph interfaces: filters, pins, the graph manager and its controls.
//
// Streaming is push: while a graph runs, a source pin hands buffers of whole 188-byte transport
// packets to the connected input pin (IMemInputPin::Receive) on the source's own thread. Buffers
// are shared, never copied on their way downstream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Unknown.h"

struct IBaseFilter;
struct IFilterGraph;

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
using OAFilterState = std::int32_t;

inline constexpr std::size_t kTransportPacketSize = 188;

// One buffer of whole transport packets, shared read-only between every consumer.
using MediaBuffer = std::shared_ptr<const std::vector<std::uint8_t>>;

struct PIN_INFO {
    std::shared_ptr<IBaseFilter> pFilter;  // the pin's filter (a reference, like the original)
    PIN_DIRECTION dir = PINDIR_INPUT;
    std::u16string achName;
};

struct FILTER_INFO {
    std::u16string achName;
    std::shared_ptr<IFilterGraph> pGraph;  // the graph the filter is in, or empty
};

// Media types are not negotiated here: connections are made without a proposed type.
struct AM_MEDIA_TYPE;

struct IPin : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{56A86891-0AD4-11CE-B03A-0020AF0BA770}");
    // Output side: connect to `receivePin`, which decides through ReceiveConnection.
    virtual HRESULT Connect(const std::shared_ptr<IPin>& receivePin, const AM_MEDIA_TYPE* mt) = 0;
    // Input side: accept or refuse a connection from `connector`.
    virtual HRESULT ReceiveConnection(const std::shared_ptr<IPin>& connector,
                                      const AM_MEDIA_TYPE* mt) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(std::shared_ptr<IPin>* pin) = 0;  // VFW_E_NOT_CONNECTED if none
    virtual HRESULT QueryDirection(PIN_DIRECTION* dir) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
};

// Input pins take data through this interface. Called on the upstream streaming thread.
struct IMemInputPin : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{56A8689D-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT Receive(const MediaBuffer& buffer) = 0;
};

struct IEnumPins : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{56A86892-0AD4-11CE-B03A-0020AF0BA770}");
    // Fills up to `count` pins; S_OK when all were fetched, S_FALSE when fewer.
    virtual HRESULT Next(std::uint32_t count, std::shared_ptr<IPin>* pins,
                         std::uint32_t* fetched) = 0;
    virtual HRESULT Reset() = 0;
};

struct IMediaFilter : virtual IUnknown {
    virtual HRESULT Stop() = 0;
    virtual HRESULT Run(std::int64_t startTime) = 0;
    virtual HRESULT GetState(std::uint32_t milliSecsTimeout, FILTER_STATE* state) = 0;
};

struct IBaseFilter : IMediaFilter {
    static constexpr IID iid = MakeGuid("{56A86895-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT EnumPins(std::shared_ptr<IEnumPins>* pins) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // Called by the graph manager when the filter enters (graph set) or leaves (graph empty).
    virtual HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                                    const std::u16string& name) = 0;
};

struct IEnumFilters : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{56A86893-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT Next(std::uint32_t count, std::shared_ptr<IBaseFilter>* filters,
                         std::uint32_t* fetched) = 0;
    virtual HRESULT Reset() = 0;
};

struct IFilterGraph : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{56A8689F-0AD4-11CE-B03A-0020AF0BA770}");
    // A name already in the graph is made unique.
    virtual HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter,
                              const std::u16string& name) = 0;
    // Disconnects every pin of the filter, then takes it out of the graph.
    virtual HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) = 0;
    virtual HRESULT EnumFilters(std::shared_ptr<IEnumFilters>* filters) = 0;
    virtual HRESULT ConnectDirect(const std::shared_ptr<IPin>& out, const std::shared_ptr<IPin>& in,
                                  const AM_MEDIA_TYPE* mt) = 0;
};

struct IGraphBuilder : IFilterGraph {
    static constexpr IID iid = MakeGuid("{56A868A9-0AD4-11CE-B03A-0020AF0BA770}");
    // Connects the output pin to a renderer that the graph manager adds.
    virtual HRESULT Render(const std::shared_ptr<IPin>& out) = 0;
};

struct IMediaControl : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{56A868B1-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT Run() = 0;
    // Returns only when no streaming thread is inside any filter of the graph.
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(std::int32_t msTimeout, OAFilterState* state) = 0;
};

struct IMediaEvent : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{56A868B6-0AD4-11CE-B03A-0020AF0BA770}");
};

struct ICaptureGraphBuilder2 : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{93E5A4E0-2D50-11D2-ABFA-00A0C9C6E38D}");
    virtual HRESULT SetFiltergraph(const std::shared_ptr<IGraphBuilder>& graph) = 0;
};

struct IFileSinkFilter : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{A2104830-7C70-11CF-8BCE-00AA00A3F1A6}");
    virtual HRESULT SetFileName(const std::u16string& fileName, const AM_MEDIA_TYPE* mt) = 0;
};
