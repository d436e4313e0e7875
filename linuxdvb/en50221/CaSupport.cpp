// Conditional-access support: the module lists its CA systems, and the host asks it to
// descramble the programmes its tuners are on. One module serves both tuners, so the list it
// holds is managed: the first programme goes out as the only one, each further one is added, a
// new PMT version updates its own entry, and a programme a tuner leaves is marked not selected
// unless the other tuner still watches it: the module keeps one entry per programme number.
#include "linuxdvb/en50221/CaPmt.h"
#include "linuxdvb/en50221/HostStack.h"

namespace linuxdvb::en50221 {

bool HostStack::OnCaApdu(Session& session, const Apdu& apdu) {
    if (apdu.tag != kCaInfo) return true;  // a ca_pmt_reply, or nothing the host acts on
    if (apdu.body.size() % 2 != 0) return false;
    m_caSystemIds.clear();
    for (std::size_t i = 0; i < apdu.body.size(); i += 2)
        m_caSystemIds.push_back(ReadBe16(apdu.body.subspan(i)));
    if (!std::exchange(session.caInfoReceived, true)) SendAllCaPmts(*CaPmtSession());
    return true;
}

void HostStack::SendAllCaPmts(std::uint16_t number) {
    bool first = true;
    for (auto& [key, programme] : m_programmes) {
        programme.sent = SendCaPmt(number, programme.section, first ? kCaPmtOnly : kCaPmtAdd,
                                   kCaPmtOkDescrambling);
        if (programme.sent) first = false;
    }
}

void HostStack::SetCaPmt(int key, Bytes section) {
    const auto number = CaPmtSession();
    const auto it = m_programmes.find(key);
    const bool wasSent = it != m_programmes.end() && it->second.sent;
    if (wasSent && it->second.section == section) return;
    if (wasSent && number) {
        // Replaced or withdrawn: an update of its own entry, and a withdrawal when the new
        // version gives the module nothing to descramble.
        const bool updated =
            !section.empty() && SendCaPmt(*number, section, kCaPmtUpdate, kCaPmtOkDescrambling);
        if (!updated && !HeldForAnotherKey(key, it->second.section))
            SendCaPmt(*number, it->second.section, kCaPmtUpdate, kCaPmtNotSelected);
        if (section.empty()) {
            m_programmes.erase(it);
            return;
        }
        it->second = Programme{std::move(section), updated};
        return;
    }
    if (section.empty()) {
        if (it != m_programmes.end()) m_programmes.erase(it);
        return;
    }
    Programme& programme = m_programmes[key];
    programme.section = std::move(section);
    programme.sent = false;
    if (!number) return;
    bool othersSent = false;
    for (const auto& [other, entry] : m_programmes) othersSent = othersSent || entry.sent;
    programme.sent = SendCaPmt(*number, programme.section, othersSent ? kCaPmtAdd : kCaPmtOnly,
                               kCaPmtOkDescrambling);
}

bool HostStack::HeldForAnotherKey(int key, ByteView section) const {
    const auto identity = ReadPmtIdentity(section);
    for (const auto& [other, programme] : m_programmes) {
        if (other == key || !programme.sent) continue;
        const auto held = ReadPmtIdentity(programme.section);
        if (identity && held && held->programNumber == identity->programNumber) return true;
    }
    return false;
}

bool HostStack::SendCaPmt(std::uint16_t number, ByteView section, std::uint8_t listManagement,
                          std::uint8_t command) {
    const auto body = MakeCaPmt(section, listManagement, command, m_caSystemIds);
    if (!body) return false;
    SendApdu(number, kCaPmt, *body);
    return true;
}

std::optional<std::uint16_t> HostStack::CaPmtSession() const {
    for (const auto& [number, session] : m_sessions)
        if (session.resource == Resource::ConditionalAccess && session.caInfoReceived)
            return number;
    return std::nullopt;
}

}  // namespace linuxdvb::en50221
