// The module's resources: what it answers on each session (profile, application information,
// conditional access, date and time) and its MMI dialogue.

#include <algorithm>
#include <utility>

#include "ModuleWire.h"
#include "SimulatedModule.h"

namespace linuxdvb::en50221 {

using namespace wire;

constexpr std::uint8_t kDateTimeInterval = 1;  // seconds

void SimulatedModule::OnSessionOpened(std::uint32_t resource, std::uint16_t session) {
    m_sessions[resource] = session;
    if (resource == kResourceManager && m_quirks.profileFirst) SendApdu(resource, kProfileEnq);
    if (resource == kDateTime) SendApdu(resource, kDateTimeEnq, Bytes{kDateTimeInterval});
    if (resource == kMmi) {
        ++m_mmiSessions;
        SendWhole(resource, Bytes(kHighLevelMmiObject.begin(), kHighLevelMmiObject.end()));
    }
}

void SimulatedModule::OnApdu(std::uint16_t session, std::uint32_t tag, ByteView body) {
    const auto it = std::find_if(m_sessions.begin(), m_sessions.end(),
                                 [&](const auto& s) { return s.second == session; });
    if (it == m_sessions.end()) return;
    switch (tag) {
        case kProfileEnq:
            return SendApdu(it->first, kProfileReply);
        case kProfileChanged:
            return SendApdu(it->first, kProfileEnq);
        case kProfileReply:
            // The host has said what it offers: the module's applications come in, once.
            if (std::exchange(m_applicationsRequested, true)) return;
            RequestSession(m_quirks.applicationVersion3 ? kApplicationInformationV3
                                                        : kApplicationInformation);
            RequestSession(kConditionalAccess);
            RequestSession(kDateTime);
            return;
        case kApplicationInfoEnq: {
            Bytes info{0x01, 0x4B, 0x57, 0x02, 0x04, static_cast<std::uint8_t>(m_name.size())};
            info.insert(info.end(), m_name.begin(), m_name.end());
            return SendApdu(it->first, kApplicationInfo, info);
        }
        case kEnterMenu:
            m_menuRequested = true;
            if (m_quirks.freshMmiSession && m_sessions.count(kMmi) != 0) {
                SendSpdu(CloseRequest(m_sessions[kMmi]));
                m_sessions.erase(kMmi);
            }
            if (m_sessions.count(kMmi) == 0) return RequestSession(kMmi);
            m_menus.Open();
            return ShowPage();
        case kCaInfoEnq: {
            Bytes ids;
            AppendBe16(ids, kCaSystemId);
            return SendApdu(it->first, kCaInfo, ids);
        }
        case kCaPmt:
            m_caPmts.emplace_back(body.begin(), body.end());
            return;
        case kDateTimeReply:
            ++m_dateTimes;
            return;
        case kDataRateInfo:
            if (body.size() == 1) m_dataRate = body[0];
            return;
        default:
            if (it->first == kMmi) OnMmiApdu(tag, body);
            return;
    }
}

void SimulatedModule::OnMmiApdu(std::uint32_t tag, ByteView body) {
    switch (tag) {
        case kDisplayReply:
            if (!m_menuRequested) return;
            m_menus.Open();
            return ShowPage();
        case kMenuAnsw:
            if (body.size() != 1) return;
            // Pulled out while the host waits for the page its answer leads to.
            if (m_quirks.removeInDialogue && !std::exchange(m_pulledInDialogue, true))
                return PullOut();
            m_menus.AnswerMenu(body[0]);  // a choice refused shows the page again
            return ShowPage();
        case kAnsw:
            if (body.empty()) return;
            m_menus.AnswerEnquiry(body);
            return ShowPage();
        case kCloseMmi:
            m_menuRequested = false;
            m_menus.Close();
            return;
        default:
            return;
    }
}

void SimulatedModule::ShowPage() {
    const ByteView page = m_menus.Object();
    if (page.empty()) {
        m_menuRequested = false;
        SendWhole(kMmi, Bytes(kCloseMmiObject.begin(), kCloseMmiObject.end()));
        if (m_quirks.freshMmiSession && m_sessions.count(kMmi) != 0) {
            SendSpdu(CloseRequest(m_sessions[kMmi]));
            m_sessions.erase(kMmi);
        }
        return;
    }
    const std::uint32_t tag = Tag3(page);
    if (tag == kEnq || (!m_quirks.countNotGiven && (m_split == 0 || page.size() <= m_split)))
        return SendWhole(kMmi, page);
    const ByteView whole = ReadObject(page, 3)->body;
    Bytes body(whole.begin(), whole.end());
    if (m_quirks.countNotGiven) body[0] = 0xFF;
    const std::uint32_t more = tag == kListLast ? kListMore : kMenuMore;
    ByteView rest = body;
    while (m_split != 0 && rest.size() > m_split) {
        SendApdu(kMmi, more, rest.first(m_split));
        rest = rest.subspan(m_split);
    }
    SendApdu(kMmi, tag, rest);
}

}  // namespace linuxdvb::en50221
