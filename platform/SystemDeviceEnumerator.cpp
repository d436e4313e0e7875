#include "platform/SystemDeviceEnumerator.h"

#include <vector>

#include "platform/DeviceRegistry.h"

namespace {

class DeviceMoniker : public IMoniker {
public:
    explicit DeviceMoniker(DeviceEntry device) : m_device(std::move(device)) {}

    HRESULT BindToObjectRaw(const IID&, std::shared_ptr<IUnknown>* object) override {
        if (!object) return E_POINTER;
        *object = m_device.bind ? m_device.bind() : nullptr;
        return *object ? S_OK : E_FAIL;
    }

    HRESULT GetDisplayName(std::nullptr_t, std::nullptr_t, std::u16string* displayName) override {
        if (!displayName) return E_POINTER;
        *displayName = m_device.displayName;
        return S_OK;
    }

private:
    const DeviceEntry m_device;
};

// Walks the monikers of the devices a category held when the enumerator was created.
class MonikerEnumerator : public IEnumMoniker {
public:
    explicit MonikerEnumerator(std::vector<std::shared_ptr<IMoniker>> monikers)
        : m_monikers(std::move(monikers)) {}

    HRESULT Next(std::uint32_t count, std::shared_ptr<IMoniker>* monikers,
                 std::uint32_t* fetched) override {
        if (!monikers) return E_POINTER;
        std::uint32_t n = 0;
        while (n < count && m_position < m_monikers.size())
            monikers[n++] = m_monikers[m_position++];
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT Reset() override {
        m_position = 0;
        return S_OK;
    }

private:
    const std::vector<std::shared_ptr<IMoniker>> m_monikers;
    std::size_t m_position = 0;
};

class SystemDeviceEnumerator : public ICreateDevEnum {
public:
    HRESULT CreateClassEnumerator(const GUID& category, std::shared_ptr<IEnumMoniker>* enumerator,
                                  std::uint32_t) override {
        if (!enumerator) return E_POINTER;
        enumerator->reset();
        std::vector<std::shared_ptr<IMoniker>> monikers;
        for (auto& device : DevicesInCategory(category))
            monikers.push_back(std::make_shared<DeviceMoniker>(std::move(device)));
        if (monikers.empty()) return S_FALSE;
        *enumerator = std::make_shared<MonikerEnumerator>(std::move(monikers));
        return S_OK;
    }
};

}  // namespace

std::shared_ptr<ICreateDevEnum> CreateSystemDeviceEnumerator() {
    return std::make_shared<SystemDeviceEnumerator>();
}
