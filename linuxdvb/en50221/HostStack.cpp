#include "linuxdvb/en50221/HostStack.h"

#include <algorithm>
#include <utility>

#include "linuxdvb/en50221/Apdu.h"
#include "linuxdvb/en50221/HostResources.h"
#include "linuxdvb/en50221/LengthField.h"
#include "linuxdvb/en50221/Spdu.h"

namespace linuxdvb::en50221 {

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
    m_nextSession = 1;
    m_camName.reset();
    m_application.reset();
    m_caSystemIds.clear();
    for (auto& [key, programme] : m_programmes) programme.sent = false;
    Show(std::nullopt);
}

std::optional<Bytes> HostStack::NextCommand(Clock::time_point now) {
    if (m_closeMmiAt && now >= *m_closeMmiAt) EndMmi();
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
    if (m_transport.OnSilence(now)) m_resetRequested = true;
    if (!m_transport.IsOpen()) ForgetSessions();
}

void HostStack::OnSpdu(ByteView spdu, Clock::time_point now) {
    // A malformed unit is dropped: the sessions that are well stay open.
    const auto object = ReadTaggedObject(spdu, 1);
    if (!object) return;
    const ByteView body = object->body;
    switch (spdu[0]) {
        case kSpduOpenRequest:
            if (body.size() != 4 || object->size != spdu.size()) return;
            return OpenSession(ReadBe32(body));
        case kSpduCloseRequest: {
            if (body.size() != 2 || object->size != spdu.size()) return;
            const std::uint16_t number = ReadBe16(body);
            const bool known = m_sessions.count(number) != 0;
            SessionGone(number);
            return m_transport.Send(
                MakeCloseSessionResponse(known ? kSessionOk : kSessionNotAllocated, number));
        }
        case kSpduSessionNumber:
            if (body.size() != 2) return;
            return OnSessionData(ReadBe16(body), spdu.subspan(object->size), now);
        default:
            return;  // a close response (the session is already forgotten), or nothing known
    }
}

void HostStack::OpenSession(std::uint32_t requested) {
    const auto* offered =
        std::find_if(std::begin(kHostResources), std::end(kHostResources), [&](const auto& r) {
            return ResourceClassAndType(r.id) == ResourceClassAndType(requested);
        });
    if (offered == std::end(kHostResources))
        return m_transport.Send(MakeOpenSessionResponse(kSessionNoResource, requested, 0));
    if (ResourceVersion(requested) > offered->newestVersion) {
        const std::uint32_t newest = ResourceClassAndType(offered->id) | offered->newestVersion;
        return m_transport.Send(MakeOpenSessionResponse(kSessionVersionTooLow, newest, 0));
    }
    const auto resource = static_cast<Resource>(offered - std::begin(kHostResources));
    // One dialogue at a time: a module that opens a fresh MMI session for its next dialogue
    // means the new one, so the old one goes.
    if (resource == Resource::Mmi) ReplaceMmiSession();
    if (m_sessions.size() >= kMaxSessions)
        return m_transport.Send(MakeOpenSessionResponse(kSessionBusy, requested, 0));
    // A number just closed is not given again at once: the module may still send on it.
    while (m_nextSession == 0 || m_sessions.count(m_nextSession) != 0) ++m_nextSession;
    const std::uint16_t number = m_nextSession++;
    Session session;
    session.resource = resource;
    session.version = std::max<std::uint32_t>(1, ResourceVersion(requested));
    m_sessions.emplace(number, session);
    m_transport.Send(MakeOpenSessionResponse(kSessionOk, requested, number));
    SessionOpened(number, resource);
}

void HostStack::ReplaceMmiSession() {
    if (const auto old = SessionOf(Resource::Mmi)) CloseSession(*old);
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
    if (it->second.resource == Resource::Application) {
        m_camName.reset();
        m_application.reset();
    }
    if (it->second.resource == Resource::ConditionalAccess && it->second.caInfoReceived)
        for (auto& [key, programme] : m_programmes) programme.sent = false;
    m_sessions.erase(it);
}

void HostStack::CloseSession(std::uint16_t number) {
    SessionGone(number);
    m_transport.Send(MakeCloseSessionRequest(number));
}

void HostStack::OnSessionData(std::uint16_t number, ByteView apdus, Clock::time_point now) {
    while (!apdus.empty()) {
        // Data for a session closed meanwhile, or never opened, is dropped.
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
            return OnApplicationApdu(number, session, apdu);
        case Resource::ConditionalAccess:
            return OnCaApdu(session, apdu);
        case Resource::DateTime:
            return OnDateTimeApdu(number, session, apdu, now);
        case Resource::Mmi:
            return OnMmiApdu(number, apdu, now);
    }
    return false;
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
