// Asks the module in the CI slot to descramble the service a tuner was tuned to: it follows the
// tuner's stream to the service's PMT (through the PAT) and hands the module a ca_pmt for it,
// again whenever the PMT's version changes. Nothing goes out in bypass mode, without a service
// id, or for a service the PAT does not list.
//
// Thread-safety: SetCiMode and Tune from any thread; OnPackets on the stream's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "linuxdvb/SectionReader.h"
#include "linuxdvb/en50221/CamSlot.h"

namespace linuxdvb {

class ServiceDescrambler {
public:
    ServiceDescrambler(std::shared_ptr<en50221::CamSlot> slot, int tuner);

    // 0 bypass, 1 MTD, 2 single transponder.
    void SetCiMode(std::uint32_t mode);
    // A new tune of the tuner; `sid` -1 when the tune request named no service.
    void Tune(std::int32_t sid);
    // Whole 188-byte packets of the tuner's stream.
    void OnPackets(std::span<const std::uint8_t> packets);

private:
    void OnPat(SectionReader::Section section);
    void OnPmt(SectionReader::Section section);
    void Send();
    void Withdraw();

    const std::shared_ptr<en50221::CamSlot> m_slot;
    const int m_tuner;

    std::mutex m_mutex;
    std::uint32_t m_mode = 0;
    std::int32_t m_sid = -1;
    SectionReader m_pat{0};
    std::optional<SectionReader> m_pmt;
    std::optional<std::vector<std::uint8_t>> m_lastPmt;  // the service's PMT section seen last
    std::optional<std::uint8_t> m_sentVersion;
};

}  // namespace linuxdvb
