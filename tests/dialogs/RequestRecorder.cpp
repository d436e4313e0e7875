#include "RequestRecorder.h"

#include <algorithm>
#include <span>

#include "tuner/driver/KsRequestHeader.h"
#include "tuner/driver/PropertySets.h"

namespace {

void Record(RequestLog& log, const void* header, std::uint32_t headerLength, const void* data,
            std::uint32_t dataLength) {
    if (header == nullptr || headerLength < kKsPropertySize) {
        return;
    }
    const auto property = DecodeKsProperty(std::span<const std::uint8_t, kKsPropertySize>(
        static_cast<const std::uint8_t*>(header), kKsPropertySize));
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    log.push_back({property.Set, property.Id, property.Flags,
                   bytes ? std::vector<std::uint8_t>(bytes, bytes + dataLength)
                         : std::vector<std::uint8_t>{}});
}

class RecordingKsControl : public IKsControl {
public:
    RecordingKsControl(std::shared_ptr<IKsControl> inner, std::shared_ptr<RequestLog> log)
        : m_inner(std::move(inner)), m_log(std::move(log)) {}

    HRESULT KsProperty(const void* property, std::uint32_t propertyLength, void* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        Record(*m_log, property, propertyLength, data, dataLength);
        return m_inner->KsProperty(property, propertyLength, data, dataLength, bytesReturned);
    }
    HRESULT KsMethod(const void* method, std::uint32_t methodLength, void* data,
                     std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        Record(*m_log, method, methodLength, data, dataLength);
        return m_inner->KsMethod(method, methodLength, data, dataLength, bytesReturned);
    }

private:
    std::shared_ptr<IKsControl> m_inner;
    std::shared_ptr<RequestLog> m_log;
};

using PresentedObject = std::shared_ptr<GraphRecorder::Presented>;

// The CI filter as the graph reaches it: every IKsControl the program asks it for records.
class RecordingCiFilter : public IBaseFilter, public RecordingKsControl {
public:
    RecordingCiFilter(std::shared_ptr<IBaseFilter> inner, std::shared_ptr<RequestLog> log,
                      PresentedObject presented)
        : RecordingKsControl(query<IKsControl>(inner), std::move(log)),
          m_inner(std::move(inner)),
          m_presented(std::move(presented)) {}

    HRESULT KsMethod(const void* method, std::uint32_t methodLength, void* data,
                     std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        const auto& object = m_presented->object;
        if (m_presented->refusal && IsMmiGet(method, methodLength)) {
            return *m_presented->refusal;
        }
        if (object && IsMmiGet(method, methodLength) && dataLength == object->size()) {
            std::copy(object->begin(), object->end(), static_cast<std::uint8_t*>(data));
            *bytesReturned = dataLength;
            return S_OK;
        }
        return RecordingKsControl::KsMethod(method, methodLength, data, dataLength, bytesReturned);
    }

    HRESULT Stop() override { return m_inner->Stop(); }
    HRESULT Run(std::int64_t startTime) override { return m_inner->Run(startTime); }
    HRESULT GetState(std::uint32_t timeout, FILTER_STATE* state) override {
        return m_inner->GetState(timeout, state);
    }
    HRESULT EnumPins(std::shared_ptr<IEnumPins>* pins) override { return m_inner->EnumPins(pins); }
    HRESULT QueryFilterInfo(FILTER_INFO* info) override { return m_inner->QueryFilterInfo(info); }
    HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                            const std::u16string& name) override {
        return m_inner->JoinFilterGraph(graph, name);
    }

private:
    static bool IsMmiGet(const void* method, std::uint32_t methodLength) {
        if (methodLength < kKsPropertySize) {
            return false;
        }
        const auto header = DecodeKsProperty(std::span<const std::uint8_t, kKsPropertySize>(
            static_cast<const std::uint8_t*>(method), kKsPropertySize));
        return header.Set == KSMETHODSETID_CardCiMmi && header.Id == CARD_CI_MMI_GET;
    }

    std::shared_ptr<IBaseFilter> m_inner;
    PresentedObject m_presented;
};

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t word) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
}

}  // namespace

std::vector<std::uint8_t> MmiObjectBytes(std::uint32_t id, std::uint32_t type, std::uint32_t count,
                                         const std::vector<std::uint8_t>& text,
                                         std::optional<std::uint32_t> textLength) {
    std::vector<std::uint8_t> object(2068, 0);
    PutWord(object, 0, id);
    PutWord(object, 4, type);
    PutWord(object, 8, count);
    PutWord(object, 12, textLength.value_or(static_cast<std::uint32_t>(text.size())));
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 2048), object.begin() + 16);
    return object;
}

std::uint32_t RecordedRequest::Word(std::size_t index) const {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4 && 4 * index + i < data.size(); ++i) {
        word |= static_cast<std::uint32_t>(data[4 * index + i]) << (8 * i);
    }
    return word;
}

GraphRecorder::GraphRecorder(TunerGraph& graph)
    : m_graph(graph),
      m_log(std::make_shared<RequestLog>()),
      m_presented(std::make_shared<Presented>()),
      m_tunerControl(graph.m_tunerControl),
      m_ciFilter(graph.m_ciFilter) {
    if (m_tunerControl) {
        graph.m_tunerControl = std::make_shared<RecordingKsControl>(m_tunerControl, m_log);
    }
    if (m_ciFilter) {
        graph.m_ciFilter = std::make_shared<RecordingCiFilter>(m_ciFilter, m_log, m_presented);
    }
}

GraphRecorder::~GraphRecorder() {
    m_graph.m_tunerControl = m_tunerControl;
    m_graph.m_ciFilter = m_ciFilter;
}

std::vector<RecordedRequest> GraphRecorder::Requests(const GUID& set, std::uint32_t id) const {
    std::vector<RecordedRequest> found;
    for (const auto& request : *m_log) {
        if (request.set == set && request.id == id) {
            found.push_back(request);
        }
    }
    return found;
}
