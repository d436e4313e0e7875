#include "platform/DeviceRegistry.h"

#include <map>
#include <mutex>

namespace {

struct DeviceTable {
    std::mutex mutex;
    std::map<GUID, std::vector<DeviceEntry>> categories;
};

DeviceTable& Table() {
    static DeviceTable table;
    return table;
}

}  // namespace

void RegisterDevice(const GUID& category, DeviceEntry device) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.categories[category].push_back(std::move(device));
}

std::vector<DeviceEntry> DevicesInCategory(const GUID& category) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    const auto found = table.categories.find(category);
    return found == table.categories.end() ? std::vector<DeviceEntry>{} : found->second;
}

void ClearDevices() {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.categories.clear();
}
