#include "linuxdvb/en50221/HostStack.h"

#include <algorithm>
#include <utility>

#include "linuxdvb/en50221/Apdu.h"
#include "linuxdvb/en50221/DateTime.h"
#include "linuxdvb/en50221/LengthField.h"
#include "linuxdvb/en50221/Spdu.h"

namespace linuxdvb::en50221 {
namespace {

// The resources this host offers, with the version it speaks of each.
constexpr std::uint32_t kHostResources[] = {kResourceManager, kApplicationInformation,
                                            kConditionalAccessSupport, kDateTimeResource,
                                            kMmiResource};

// display_control commands and display_reply ids.
constexpr std::uint8_t kSetMmiMode = 0x01;
constexpr std::uint8_t kHighLevelMmi = 0x01;
constexpr std::uint8_t kMmiModeAck = 0x01;
constexpr std::uint8_t kUnknownDisplayCommand = 0xF0;
constexpr std::uint8_t kUnknownMmiMode = 0xF1;
// answ ids, close_mmi commands.
constexpr std::uint8_t kAnswCancel = 0x00;
constexpr std::uint8_t kAnswAnswer = 0x01;
constexpr std::uint8_t kCloseImmediate = 0x00;
constexpr std::uint8_t kCloseDelayed = 0x01;

// More than any menu needs: a module that keeps sending _more parts is cut off here.
constexpr std::size_t kMaxFragments = 65536;

}  // namespace

void HostStack::Connect(Clock::time_point now) {
    Disconnect();
    m_transport.Connect(now);
}

void HostStack::Disconnect() {
    m_transport.Disconnect();
    ForgetSessions();
}

void HostStack::ForgetSessions() {
    m_sessions.clear();
    m_camName.reset();
    m_caSystemIds.clear();
    Show(std::nullopt);
}

std::optional<Bytes> HostStack::NextCommand(Clock::time_point now) {
    if (m_closeMmiAt && now >= *m_closeMmiAt) Show(std::nullopt);
    SendDueDateTimes(now);
    const bool wasOpen = m_transport.IsOpen();
    auto command = m_transport.NextCommand(now);
    if (wasOpen && !m_transport.IsOpen()) ForgetSessions();
    return command;
}

HostStack::Clock::time_point HostStack::NextDue() const {
    Clock::time_point due = m_transport.NextDue();
    for (const auto& [number, session] : m_sessions)
        if (session.nextDateTime) due = std::min(due, *session.nextDateTime);
    if (m_closeMmiAt) due = std::min(due, *m_closeMmiAt);
    return due;
}

void HostStack::OnResponse(ByteView response, Clock::time_point now) {
    const auto units = m_transport.OnResponse(response, now);
    for (const Bytes& unit : units) {
        if (!m_transport.IsOpen()) break;
        OnSpdu(unit, now);
    }
    if (!m_transport.IsOpen()) ForgetSessions();
}

void HostStack::OnSilence(Clock::time_point now) {
    m_transport.OnSilence(now);
    ForgetSessions();
}

void HostStack::OnSpdu(ByteView spdu, Clock::time_point now) {
    const auto object = ReadTaggedObject(spdu, 1);
    if (!object) return m_transport.Abort(now);
    const ByteView body = object->body;
    switch (spdu[0]) {
        case kSpduOpenRequest:
            if (body.size() != 4 || object->size != spdu.size()) break;
            return OpenSession(ReadBe32(body));
        case kSpduCloseRequest: {
            if (body.size() != 2 || object->size != spdu.size()) break;
            const std::uint16_t number = ReadBe16(body);
            const bool known = m_sessions.count(number) != 0;
            SessionGone(number);
            return m_transport.Send(
                MakeCloseSessionResponse(known ? kSessionOk : kSessionNotAllocated, number));
        }
        case kSpduCloseResponse:
            // The answer to a close the host asked for; the session is already forgotten.
            if (body.size() != 3 || object->size != spdu.size()) break;
            return;
        case kSpduSessionNumber:
            if (body.size() != 2) break;
            return OnSessionData(ReadBe16(body), spdu.subspan(object->size), now);
        default:
            break;
    }
    m_transport.Abort(now);
}

void HostStack::OpenSession(std::uint32_t requested) {
    const auto* offered =
        std::find_if(std::begin(kHostResources), std::end(kHostResources), [&](std::uint32_t id) {
            return ResourceClassAndType(id) == ResourceClassAndType(requested);
        });
    if (offered == std::end(kHostResources))
        return m_transport.Send(MakeOpenSessionResponse(kSessionNoResource, requested, 0));
    if (ResourceVersion(requested) > ResourceVersion(*offered))
        return m_transport.Send(MakeOpenSessionResponse(kSessionVersionTooLow, *offered, 0));
    const auto resource = static_cast<Resource>(offered - std::begin(kHostResources));
    std::uint16_t number = 1;
    while (m_sessions.count(number) != 0) ++number;
    // One dialogue at a time: a second MMI session would fight over the one display.
    if (m_sessions.size() >= kMaxSessions ||
        (resource == Resource::Mmi && SessionOf(Resource::Mmi)))
        return m_transport.Send(MakeOpenSessionResponse(kSessionBusy, *offered, 0));
    m_sessions.emplace(number, Session{resource, false, false, {}, std::nullopt});
    m_transport.Send(MakeOpenSessionResponse(kSessionOk, *offered, number));
    SessionOpened(number, resource);
}

void HostStack::SessionOpened(std::uint16_t number, Resource resource) {
    switch (resource) {
        case Resource::Manager:
            return SendApdu(number, kProfileEnq);
        case Resource::Application:
            return SendApdu(number, kApplicationInfoEnq);
        case Resource::ConditionalAccess:
            return SendApdu(number, kCaInfoEnq);
        case Resource::DateTime:
        case Resource::Mmi:
            return;
    }
}

void HostStack::SessionGone(std::uint16_t number) {
    const auto it = m_sessions.find(number);
    if (it == m_sessions.end()) return;
    if (it->second.resource == Resource::Mmi) Show(std::nullopt);
    if (it->second.resource == Resource::Application) m_camName.reset();
    m_sessions.erase(it);
}

void HostStack::CloseSession(std::uint16_t number) {
    SessionGone(number);
    m_transport.Send(MakeCloseSessionRequest(number));
}

void HostStack::OnSessionData(std::uint16_t number, ByteView apdus, Clock::time_point now) {
    while (!apdus.empty()) {
        // Data for a session closed meanwhile is dropped.
        const auto it = m_sessions.find(number);
        if (it == m_sessions.end()) return;
        const auto apdu = ReadApdu(apdus);
        if (!apdu || !OnApdu(number, it->second, *apdu, now)) return CloseSession(number);
        apdus = apdus.subspan(apdu->size);
    }
}

bool HostStack::OnApdu(std::uint16_t number, Session& session, const Apdu& apdu,
                       Clock::time_point now) {
    switch (session.resource) {
        case Resource::Manager:
            return OnManagerApdu(number, session, apdu);
        case Resource::Application:
            return OnApplicationApdu(apdu);
        case Resource::ConditionalAccess:
            return OnCaApdu(session, apdu);
        case Resource::DateTime:
            return OnDateTimeApdu(number, session, apdu, now);
        case Resource::Mmi:
            return OnMmiApdu(number, apdu, now);
    }
    return false;
}

bool HostStack::OnManagerApdu(std::uint16_t number, Session& session, const Apdu& apdu) {
    switch (apdu.tag) {
        case kProfileEnq: {
            Bytes profile;
            for (const std::uint32_t id : kHostResources) AppendBe32(profile, id);
            SendApdu(number, kProfileReply, profile);
            return true;
        }
        case kProfileReply:
            if (apdu.body.size() % 4 != 0) return false;
            // Told once what the module offers, the host says its own list has changed so the
            // module asks for it.
            if (!std::exchange(session.profileChangedSent, true)) SendApdu(number, kProfileChanged);
            return true;
        case kProfileChanged:
            SendApdu(number, kProfileEnq);
            return true;
        default:
            return true;  // nothing the host acts on
    }
}

bool HostStack::OnApplicationApdu(const Apdu& apdu) {
    if (apdu.tag != kApplicationInfo) return true;  // nothing the host acts on
    // type, manufacturer, code, then the menu string behind its length.
    if (apdu.body.size() < 6) return false;
    const std::size_t length = apdu.body[5];
    if (apdu.body.size() - 6 < length) return false;
    m_camName.emplace(apdu.body.begin() + 6, apdu.body.begin() + 6 + length);
    return true;
}

bool HostStack::OnCaApdu(Session& session, const Apdu& apdu) {
    if (apdu.tag != kCaInfo) return true;  // a ca_pmt_reply, or nothing the host acts on
    if (apdu.body.size() % 2 != 0) return false;
    m_caSystemIds.clear();
    for (std::size_t i = 0; i < apdu.body.size(); i += 2)
        m_caSystemIds.push_back(ReadBe16(apdu.body.subspan(i)));
    if (!std::exchange(session.caInfoReceived, true)) {
        const auto number = CaPmtSession();
        for (const auto& [key, body] : m_caPmts) SendApdu(*number, kCaPmt, body);
    }
    return true;
}

bool HostStack::OnDateTimeApdu(std::uint16_t number, Session& session, const Apdu& apdu,
                               Clock::time_point now) {
    if (apdu.tag != kDateTimeEnq) return true;
    if (apdu.body.size() != 1) return false;
    session.dateTimeInterval = std::chrono::seconds(apdu.body[0]);
    SendApdu(number, kDateTime, DateTimeBodyNow());
    session.nextDateTime.reset();
    if (apdu.body[0] != 0) session.nextDateTime = now + session.dateTimeInterval;
    return true;
}

void HostStack::SendDueDateTimes(Clock::time_point now) {
    if (!m_transport.IsOpen()) return;
    for (auto& [number, session] : m_sessions) {
        if (!session.nextDateTime || now < *session.nextDateTime) continue;
        SendApdu(number, kDateTime, DateTimeBodyNow());
        session.nextDateTime = now + session.dateTimeInterval;
    }
}

bool HostStack::OnMmiApdu(std::uint16_t number, const Apdu& apdu, Clock::time_point now) {
    switch (apdu.tag) {
        case kDisplayControl: {
            if (apdu.body.empty()) return false;
            Bytes reply;
            if (apdu.body[0] != kSetMmiMode)
                reply = {kUnknownDisplayCommand};
            else if (apdu.body.size() == 2 && apdu.body[1] == kHighLevelMmi)
                reply = {kMmiModeAck, kHighLevelMmi};
            else
                reply = {kUnknownMmiMode};
            SendApdu(number, kDisplayReply, reply);
            return true;
        }
        case kCloseMmi:
            if (apdu.body.empty()) return false;
            if (apdu.body[0] == kCloseDelayed && apdu.body.size() == 2) {
                m_closeMmiAt = now + std::chrono::seconds(apdu.body[1]);
                return true;
            }
            if (apdu.body[0] != kCloseImmediate || apdu.body.size() != 1) return false;
            Show(std::nullopt);
            return true;
        case kEnq: {
            auto display = ParseEnquiry(apdu.body);
            if (!display) return false;
            Show(std::move(display));
            return true;
        }
        case kMenuLast:
        case kMenuMore:
        case kListLast:
        case kListMore:
            return OnMmiFragment(apdu.tag, apdu.body);
        default:
            return true;  // low-level MMI and keypad objects: not for a high-level host
    }
}

bool HostStack::OnMmiFragment(std::uint32_t tag, ByteView body) {
    const bool list = tag == kListLast || tag == kListMore;
    const bool last = tag == kMenuLast || tag == kListLast;
    // Parts of one object share its kind; a part of another kind is garbage.
    if (m_fragmentTag != 0 && (m_fragmentTag == kListMore) != list) return false;
    if (m_fragments.size() + body.size() > kMaxFragments) return false;
    m_fragments.insert(m_fragments.end(), body.begin(), body.end());
    m_fragmentTag = last ? 0 : tag;
    if (!last) return true;
    auto display = ParseMenu(std::exchange(m_fragments, {}), list);
    if (!display) return false;
    Show(std::move(display));
    return true;
}

void HostStack::Show(std::optional<MmiDisplay> display) {
    m_closeMmiAt.reset();
    m_answered = false;
    if (!display) {
        m_fragmentTag = 0;
        m_fragments.clear();
        m_display.reset();
        return;
    }
    m_display = std::move(display);
    ++m_displayId;
}

bool HostStack::EnterMenu() {
    const auto number = SessionOf(Resource::Application);
    if (!number) return false;
    SendApdu(*number, kEnterMenu);
    return true;
}

void HostStack::CloseMmi() {
    if (const auto number = SessionOf(Resource::Mmi))
        SendApdu(*number, kCloseMmi, Bytes{kCloseImmediate});
    Show(std::nullopt);
}

bool HostStack::AnswerMenu(std::uint8_t choice) {
    const auto number = SessionOf(Resource::Mmi);
    if (!number || !m_display || m_answered || m_display->kind > MmiDisplay::kList) return false;
    SendApdu(*number, kMenuAnsw, Bytes{choice});
    m_answered = true;
    return true;
}

bool HostStack::AnswerEnquiry(ByteView answer) {
    const auto number = SessionOf(Resource::Mmi);
    if (!number || !m_display || m_answered || m_display->kind < MmiDisplay::kEnquiry) return false;
    Bytes body{answer.empty() ? kAnswCancel : kAnswAnswer};
    body.insert(body.end(), answer.begin(), answer.end());
    SendApdu(*number, kAnsw, body);
    m_answered = true;
    return true;
}

void HostStack::SetCaPmt(int key, Bytes body) {
    if (body.empty()) {
        m_caPmts.erase(key);
        return;
    }
    if (const auto number = CaPmtSession()) SendApdu(*number, kCaPmt, body);
    m_caPmts[key] = std::move(body);
}

std::optional<std::uint16_t> HostStack::CaPmtSession() const {
    for (const auto& [number, session] : m_sessions)
        if (session.resource == Resource::ConditionalAccess && session.caInfoReceived) return number;
    return std::nullopt;
}

void HostStack::SendApdu(std::uint16_t number, std::uint32_t tag, ByteView body) {
    m_transport.Send(MakeSessionData(number, MakeApdu(tag, body)));
}

std::optional<std::uint16_t> HostStack::SessionOf(Resource resource) const {
    for (const auto& [number, session] : m_sessions)
        if (session.resource == resource) return number;
    return std::nullopt;
}

}  // namespace linuxdvb::en50221
