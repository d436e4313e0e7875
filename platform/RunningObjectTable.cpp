#include "platform/RunningObjectTable.h"

#include <mutex>

namespace {

class ItemMoniker : public IItemMoniker {
public:
    explicit ItemMoniker(std::u16string name) : m_name(std::move(name)) {}
    std::u16string Name() const override { return m_name; }

private:
    const std::u16string m_name;
};

// One table per process. A registration holds its object until it is revoked, so that a viewer
// can always reach what it lists.
class RunningObjectTable : public IRunningObjectTable {
public:
    HRESULT Register(std::uint32_t, const std::shared_ptr<IUnknown>& object,
                     const std::shared_ptr<IItemMoniker>& name, std::uint32_t* cookie) override {
        if (!object || !name || !cookie) return E_INVALIDARG;
        std::lock_guard lock(m_mutex);
        *cookie = m_nextCookie++;
        if (m_nextCookie == 0) m_nextCookie = 1;  // 0 means "not registered" to callers
        m_entries.push_back({*cookie, name->Name(), object});
        return S_OK;
    }

    HRESULT Revoke(std::uint32_t cookie) override {
        std::shared_ptr<IUnknown> released;  // dropped after the lock: it may be the last owner
        std::lock_guard lock(m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->cookie != cookie) continue;
            released = std::move(it->object);
            m_entries.erase(it);
            return S_OK;
        }
        return E_INVALIDARG;
    }

    std::vector<std::u16string> Names() {
        std::lock_guard lock(m_mutex);
        std::vector<std::u16string> names;
        for (const auto& entry : m_entries) names.push_back(entry.name);
        return names;
    }

private:
    struct Entry {
        std::uint32_t cookie;
        std::u16string name;
        std::shared_ptr<IUnknown> object;
    };

    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    std::uint32_t m_nextCookie = 1;
};

const std::shared_ptr<RunningObjectTable>& Table() {
    static const auto table = std::make_shared<RunningObjectTable>();
    return table;
}

}  // namespace

HRESULT GetRunningObjectTable(std::uint32_t reserved, std::shared_ptr<IRunningObjectTable>* table) {
    if (!table) return E_POINTER;
    if (reserved != 0) return E_INVALIDARG;
    *table = Table();
    return S_OK;
}

HRESULT CreateItemMoniker(const std::u16string& delimiter, const std::u16string& item,
                          std::shared_ptr<IItemMoniker>* moniker) {
    if (!moniker) return E_POINTER;
    *moniker = std::make_shared<ItemMoniker>(delimiter + item);
    return S_OK;
}

std::vector<std::u16string> RunningObjectNames() {
    return Table()->Names();
}
