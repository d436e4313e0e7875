#include "platform/Enumerators.h"

namespace {

// Walks a snapshot of a list; Reset takes a new snapshot.
template <class Interface, class Item>
class SnapshotEnumerator : public Interface {
public:
    using Source = std::function<std::vector<std::shared_ptr<Item>>()>;
    explicit SnapshotEnumerator(Source source) : m_source(std::move(source)), m_items(m_source()) {}

    HRESULT Next(std::uint32_t count, std::shared_ptr<Item>* items,
                 std::uint32_t* fetched) override {
        if (!items) return E_POINTER;
        std::uint32_t n = 0;
        while (n < count && m_position < m_items.size()) items[n++] = m_items[m_position++];
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT Reset() override {
        m_items = m_source();
        m_position = 0;
        return S_OK;
    }

private:
    Source m_source;
    std::vector<std::shared_ptr<Item>> m_items;
    std::size_t m_position = 0;
};

}  // namespace

std::shared_ptr<IEnumPins> MakePinEnumerator(PinListSource source) {
    return std::make_shared<SnapshotEnumerator<IEnumPins, IPin>>(std::move(source));
}

std::shared_ptr<IEnumFilters> MakeFilterEnumerator(FilterListSource source) {
    return std::make_shared<SnapshotEnumerator<IEnumFilters, IBaseFilter>>(std::move(source));
}
