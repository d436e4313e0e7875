#include "platform/ComponentRegistry.h"

#include <mutex>
#include <unordered_map>

namespace {

struct ClassTable {
    std::mutex mutex;
    std::unordered_map<CLSID, ComponentFactory> factories;
};

ClassTable& Table() {
    static ClassTable table;
    return table;
}

}  // namespace

void RegisterComponentClass(const CLSID& clsid, ComponentFactory factory) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.factories[clsid] = std::move(factory);
}

void UnregisterComponentClass(const CLSID& clsid) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.factories.erase(clsid);
}

void ClearComponentClasses() {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.factories.clear();
}

HRESULT CreateComponent(const CLSID& clsid, std::shared_ptr<IUnknown>& object) {
    object.reset();
    ComponentFactory factory;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        const auto found = table.factories.find(clsid);
        if (found == table.factories.end()) return REGDB_E_CLASSNOTREG;
        factory = found->second;
    }
    // The factory runs outside the lock: a component may create others while it is built.
    object = factory ? factory() : nullptr;
    return object ? S_OK : E_OUTOFMEMORY;
}
