#include "linuxdvb/ServiceDescrambler.h"

#include "linuxdvb/en50221/CaPmt.h"

namespace linuxdvb {
namespace {

constexpr std::size_t kPacketSize = 188;
constexpr std::uint8_t kPatTableId = 0x00;
constexpr std::size_t kPsiHeaderSize = 8;
constexpr std::size_t kCrcSize = 4;

std::uint16_t Be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

}  // namespace

ServiceDescrambler::ServiceDescrambler(std::shared_ptr<en50221::CamSlot> slot, int tuner)
    : m_slot(std::move(slot)), m_tuner(tuner) {}

void ServiceDescrambler::SetCiMode(std::uint32_t mode) {
    std::lock_guard lock(m_mutex);
    m_mode = mode;
    if (mode == 0)
        Withdraw();
    else if (!m_sentVersion)
        Send();
}

void ServiceDescrambler::Tune(std::int32_t sid) {
    std::lock_guard lock(m_mutex);
    m_sid = sid;
    m_pat = SectionReader(0);
    m_pmt.reset();
    m_lastPmt.reset();
    Withdraw();
}

void ServiceDescrambler::OnPackets(std::span<const std::uint8_t> packets) {
    std::lock_guard lock(m_mutex);
    if (m_sid < 0) return;
    for (std::size_t at = 0; at + kPacketSize <= packets.size(); at += kPacketSize) {
        const auto packet = packets.subspan(at).first<kPacketSize>();
        m_pat.Add(packet, [this](SectionReader::Section s) { OnPat(s); });
        if (m_pmt) m_pmt->Add(packet, [this](SectionReader::Section s) { OnPmt(s); });
    }
}

void ServiceDescrambler::OnPat(SectionReader::Section section) {
    if (section.size() < kPsiHeaderSize + kCrcSize || section[0] != kPatTableId) return;
    for (std::size_t at = kPsiHeaderSize; at + 4 <= section.size() - kCrcSize; at += 4) {
        if (Be16(&section[at]) != m_sid) continue;
        const std::uint16_t pid = Be16(&section[at + 2]) & 0x1FFF;
        if (!m_pmt || m_pmt->Pid() != pid) m_pmt.emplace(pid);
        return;
    }
}

void ServiceDescrambler::OnPmt(SectionReader::Section section) {
    const auto identity = en50221::ReadPmtIdentity(section);
    // A section announcing the next version says nothing about what is on air now.
    if (!identity || !identity->current || identity->programNumber != m_sid) return;
    m_lastPmt.emplace(section.begin(), section.end());
    if (m_sentVersion != identity->version) Send();
}

void ServiceDescrambler::Send() {
    if (m_mode == 0 || !m_lastPmt) return;
    m_sentVersion = en50221::ReadPmtIdentity(*m_lastPmt)->version;
    m_slot->SetCaPmt(m_tuner, *m_lastPmt);
}

void ServiceDescrambler::Withdraw() {
    m_sentVersion.reset();
    m_slot->SetCaPmt(m_tuner, {});
}

}  // namespace linuxdvb
