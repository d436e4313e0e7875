#include "linuxdvb/ServiceDescrambler.h"

#include "cardkit/CardIds.h"
#include "linuxdvb/en50221/CaPmt.h"

namespace linuxdvb {
namespace {

constexpr std::size_t kPacketSize = 188;
constexpr std::uint16_t kPatPid = 0x0000;
constexpr std::uint8_t kPatTableId = 0x00;
constexpr std::size_t kPsiHeaderSize = 8;
constexpr std::size_t kCrcSize = 4;
constexpr std::size_t kPatEntrySize = 4;
// Programme number 0 in a PAT points to the network information, not to a programme.
constexpr std::uint16_t kNetworkEntry = 0;

std::uint16_t Be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

std::uint16_t PidOf(const std::uint8_t* packet) {
    return static_cast<std::uint16_t>((packet[1] & 0x1F) << 8 | packet[2]);
}

}  // namespace

ServiceDescrambler::ServiceDescrambler(std::shared_ptr<en50221::CamSlot> slot, int tuner,
                                       std::shared_ptr<SingleTransponderRoute> route)
    : m_slot(std::move(slot)), m_tuner(tuner), m_route(std::move(route)) {}

void ServiceDescrambler::SetCiMode(std::uint32_t mode) {
    // The route calls back into the tuner that loses it: taken before this one's lock.
    if (mode == cardkit::kCiModeSingleTransponder)
        m_route->Take(m_tuner);
    else
        m_route->Leave(m_tuner);
    std::lock_guard lock(m_mutex);
    m_mode = mode;
    if (!PassesModule()) {
        WithdrawAll();
        return;
    }
    for (auto& [number, programme] : m_programmes)
        if (programme.section && !programme.sentVersion) Send(number, programme);
}

void ServiceDescrambler::RouteLost() {
    std::lock_guard lock(m_mutex);
    if (!PassesModule()) WithdrawAll();
}

void ServiceDescrambler::Tune(std::int32_t sid) {
    std::lock_guard lock(m_mutex);
    WithdrawAll();
    Forget();
    m_sid = sid;
}

void ServiceDescrambler::Stop() {
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    WithdrawAll();
    Forget();
}

void ServiceDescrambler::Start() {
    std::lock_guard lock(m_mutex);
    m_stopped = false;
}

void ServiceDescrambler::OnPackets(std::span<const std::uint8_t> packets) {
    std::lock_guard lock(m_mutex);
    if (m_stopped) return;
    for (std::size_t at = 0; at + kPacketSize <= packets.size(); at += kPacketSize) {
        const auto packet = packets.subspan(at).first<kPacketSize>();
        const std::uint16_t pid = PidOf(packet.data());
        if (pid == kPatPid) {
            m_pat.Add(packet, [this](SectionReader::Section s) { OnPat(s); });
            continue;
        }
        // Several programmes may carry their PMTs on one PID.
        for (auto it = m_programmes.begin(); it != m_programmes.end(); ++it)
            if (it->second.pmt.Pid() == pid)
                it->second.pmt.Add(
                    packet, [&](SectionReader::Section s) { OnPmt(it->first, it->second, s); });
    }
}

bool ServiceDescrambler::PassesModule() const {
    switch (m_mode) {
        case cardkit::kCiModeMtd:
            return true;
        case cardkit::kCiModeSingleTransponder:
            return m_route->Holds(m_tuner);
        default:
            return false;
    }
}

void ServiceDescrambler::OnPat(SectionReader::Section section) {
    if (section.size() < kPsiHeaderSize + kCrcSize || section[0] != kPatTableId) return;
    if ((section[5] & 0x01) == 0) return;  // the next PAT, not the one on air
    const std::uint8_t version = section[5] >> 1 & 0x1F;
    const std::uint8_t number = section[6];
    const std::uint8_t last = section[7];
    if (number > last) return;
    const std::pair identity{version, last};
    if (m_patVersion != identity) {
        m_patSections.clear();
        m_patVersion = identity;
    }

    std::set<std::uint16_t>& listed = m_patSections[number];
    listed.clear();
    for (std::size_t at = kPsiHeaderSize; at + kPatEntrySize <= section.size() - kCrcSize;
         at += kPatEntrySize) {
        const std::uint16_t programme = Be16(&section[at]);
        if (programme == kNetworkEntry || (m_sid >= 0 && programme != m_sid)) continue;
        const std::uint16_t pid = Be16(&section[at + 2]) & 0x1FFF;
        listed.insert(programme);
        const auto it = m_programmes.find(programme);
        if (it == m_programmes.end())
            m_programmes.emplace(programme, Programme{SectionReader(pid), {}, {}});
        else if (it->second.pmt.Pid() != pid)
            it->second.pmt = SectionReader(pid);  // its next PMT comes from there
    }

    // Programmes the PAT no longer lists, once every section of it has been seen.
    if (m_patSections.size() != std::size_t{last} + 1) return;
    std::set<std::uint16_t> all;
    for (const auto& [n, programmes] : m_patSections)
        all.insert(programmes.begin(), programmes.end());
    for (auto it = m_programmes.begin(); it != m_programmes.end();) {
        if (all.contains(it->first)) {
            ++it;
            continue;
        }
        Withdraw(it->first, it->second);
        it = m_programmes.erase(it);
    }
}

void ServiceDescrambler::OnPmt(std::uint16_t number, Programme& programme,
                               SectionReader::Section section) {
    const auto identity = en50221::ReadPmtIdentity(section);
    // A section announcing the next version says nothing about what is on air now.
    if (!identity || !identity->current || identity->programNumber != number) return;
    programme.section.emplace(section.begin(), section.end());
    if (PassesModule() && programme.sentVersion != identity->version) Send(number, programme);
}

void ServiceDescrambler::Send(std::uint16_t number, Programme& programme) {
    programme.sentVersion = en50221::ReadPmtIdentity(*programme.section)->version;
    m_slot->SetCaPmt(Key(m_tuner, number), *programme.section);
}

void ServiceDescrambler::Withdraw(std::uint16_t number, Programme& programme) {
    if (!programme.sentVersion) return;
    programme.sentVersion.reset();
    m_slot->SetCaPmt(Key(m_tuner, number), {});
}

void ServiceDescrambler::WithdrawAll() {
    for (auto& [number, programme] : m_programmes) Withdraw(number, programme);
}

void ServiceDescrambler::Forget() {
    m_pat = SectionReader(kPatPid);
    m_patSections.clear();
    m_patVersion.reset();
    m_programmes.clear();
}

}  // namespace linuxdvb
