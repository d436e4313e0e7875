// The DVB-S tuning space (CLSID_DVBSTuningSpace): the network type and the LNB's oscillators
// and band switch, from which tune requests are made. Thread-safe.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/TuningInterfaces.h"

class DvbsTuningSpace : public IDVBSTuningSpace,
                        public std::enable_shared_from_this<DvbsTuningSpace> {
public:
    HRESULT put__NetworkType(const GUID& networkType) override;
    HRESULT get__NetworkType(GUID* networkType) override;
    // A new request of this space, without a locator and with no ids set.
    HRESULT CreateTuneRequest(std::shared_ptr<ITuneRequest>* request) override;

    HRESULT put_LowOscillator(std::int32_t frequencyKHz) override;
    HRESULT put_HighOscillator(std::int32_t frequencyKHz) override;
    HRESULT put_LNBSwitch(std::int32_t frequencyKHz) override;
    HRESULT get_LowOscillator(std::int32_t* frequencyKHz) override;
    HRESULT get_HighOscillator(std::int32_t* frequencyKHz) override;
    HRESULT get_LNBSwitch(std::int32_t* frequencyKHz) override;

private:
    std::mutex m_mutex;
    GUID m_networkType;
    std::atomic<std::int32_t> m_lowOscillator{-1};
    std::atomic<std::int32_t> m_highOscillator{-1};
    std::atomic<std::int32_t> m_lnbSwitch{-1};
};
