// A DVB tune request of a tuning space: the network, stream and service ids (-1 when not set)
// and a reference to the locator that says where to tune. Thread-safe.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/TuningInterfaces.h"

class DvbTuneRequest : public IDVBTuneRequest {
public:
    explicit DvbTuneRequest(std::shared_ptr<ITuningSpace> space) : m_space(std::move(space)) {}

    HRESULT get_TuningSpace(std::shared_ptr<ITuningSpace>* space) override;
    HRESULT put_Locator(const std::shared_ptr<ILocator>& locator) override;
    HRESULT get_Locator(std::shared_ptr<ILocator>* locator) override;

    HRESULT put_ONID(std::int32_t onid) override;
    HRESULT put_TSID(std::int32_t tsid) override;
    HRESULT put_SID(std::int32_t sid) override;
    HRESULT get_ONID(std::int32_t* onid) override;
    HRESULT get_TSID(std::int32_t* tsid) override;
    HRESULT get_SID(std::int32_t* sid) override;

private:
    const std::shared_ptr<ITuningSpace> m_space;
    std::mutex m_mutex;
    std::shared_ptr<ILocator> m_locator;
    std::atomic<std::int32_t> m_onid{-1};
    std::atomic<std::int32_t> m_tsid{-1};
    std::atomic<std::int32_t> m_sid{-1};
};
