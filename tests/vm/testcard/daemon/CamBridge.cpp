#include "CamBridge.h"

#include <fcntl.h>
#include <poll.h>

#include <iostream>

#include "SimulatedModule.h"
#include "card/Scrambler.h"

namespace testcard {
namespace {

constexpr std::uint8_t kSlot = 0;
constexpr int kPollMs = 100;
constexpr std::size_t kPacket = 188;

}  // namespace

CamBridge::CamBridge(Answer answer, const linuxdvb::en50221::ModuleQuirks& quirks)
    : m_answer(std::move(answer)),
      m_module(std::make_unique<linuxdvb::en50221::SimulatedModule>(
          linuxdvb::en50221::SimulatedModule::kDefaultName, quirks)),
      m_fd(m_module->Io()->Open("slot", O_RDWR)),
      m_thread([this] { Run(); }) {}

CamBridge::~CamBridge() {
    m_stop = true;
    m_thread.join();
    if (m_fd >= 0) m_module->Io()->Close(m_fd);
}

void CamBridge::FromHost(std::span<const std::uint8_t> data) {
    if (m_fd < 0 || data.empty()) return;
    std::vector<std::uint8_t> frame{kSlot};
    frame.insert(frame.end(), data.begin(), data.end());
    m_module->Io()->Write(m_fd, frame.data(), frame.size());
}

void CamBridge::Reset() {
    m_module->Restart();
    std::lock_guard lock(m_mutex);
    m_selection = {};
}

void CamBridge::Remove() {
    m_module->Remove();
    std::lock_guard lock(m_mutex);
    m_selection = {};
}

void CamBridge::Insert() {
    m_module->Insert();
}

void CamBridge::PassThrough(std::span<std::uint8_t> packets,
                            const std::set<std::uint16_t>& programmes) {
    Follow();
    std::lock_guard lock(m_mutex);
    for (std::size_t at = 0; at + kPacket <= packets.size(); at += kPacket) {
        std::uint8_t* packet = packets.data() + at;
        const auto pid = static_cast<std::uint16_t>((packet[1] & 0x1F) << 8 | packet[2]);
        if (card::IsScrambled(packet) && m_selection.Descrambles(pid, programmes))
            card::DescramblePacket(packet);
    }
}

std::set<std::uint16_t> CamBridge::Programmes() {
    Follow();
    std::lock_guard lock(m_mutex);
    return m_selection.Programmes();
}

// Takes in the ca_pmt objects the module has received since last time.
void CamBridge::Follow() {
    const auto caPmts = m_module->CaPmts();
    std::lock_guard lock(m_mutex);
    if (caPmts.size() < m_caPmtsSeen) m_caPmtsSeen = 0;
    for (; m_caPmtsSeen < caPmts.size(); ++m_caPmtsSeen) {
        const bool read = m_selection.Apply(caPmts[m_caPmtsSeen]);
        std::cerr << "orvalen-testcardd: ca_pmt of " << caPmts[m_caPmtsSeen].size() << " bytes"
                  << (read ? "" : ", malformed") << "; descrambling "
                  << m_selection.Programmes().size() << " programmes\n";
    }
}

void CamBridge::Run() {
    std::vector<std::uint8_t> frame(65536);
    while (!m_stop && m_fd >= 0) {
        pollfd p{m_fd, POLLIN, 0};
        if (m_module->Io()->Poll(&p, 1, kPollMs) <= 0) continue;
        const long size = m_module->Io()->Read(m_fd, frame.data(), frame.size());
        // The module's frames carry the slot first; the card wants the connection id on.
        if (size > 2 && frame[0] == kSlot)
            m_answer(std::span(frame).subspan(1, static_cast<std::size_t>(size) - 1));
    }
}

}  // namespace testcard
