// The module's session layer: the sessions it asks the host for, the host's answers, closes,
// and the objects it sends over a session.

#include <utility>

#include "ModuleWire.h"
#include "SimulatedModule.h"

namespace linuxdvb::en50221 {

using namespace wire;

void SimulatedModule::RequestSession(std::uint32_t resource) {
    m_pendingOpens.push_back(resource);
    Bytes spdu{kOpenRequest, 4};
    AppendBe32(spdu, resource);
    SendSpdu(std::move(spdu));
}

void SimulatedModule::SendApdu(std::uint32_t resource, std::uint32_t tag, ByteView body) {
    SendWhole(resource, Apdu(tag, body));
}

void SimulatedModule::SendWhole(std::uint32_t resource, ByteView apdu) {
    const auto session = m_sessions.find(resource);
    if (session == m_sessions.end()) return;
    if (resource == kMmi && std::exchange(m_corruptObject, false))
        return SendSpdu(SessionData(session->second, Overlong(apdu, 3)));
    SendSpdu(SessionData(session->second, apdu));
}

void SimulatedModule::OnSpdu(ByteView spdu) {
    const auto object = ReadObject(spdu, 1);
    if (!object) return;
    const ByteView body = object->body;
    switch (spdu[0]) {
        case kOpenResponse: {
            if (body.size() != 7 || m_pendingOpens.empty()) return;
            const std::uint32_t resource = m_pendingOpens.front();
            m_pendingOpens.pop_front();
            if (body[0] == kSessionOk) OnSessionOpened(resource, ReadBe16(body.subspan(5)));
            return;
        }
        case kCloseRequest: {
            if (body.size() != 2) return;
            const std::uint16_t number = ReadBe16(body);
            std::erase_if(m_sessions, [&](const auto& s) {
                if (s.second != number) return false;
                if (s.first == kMmi) m_menus.Close();
                return true;
            });
            SendSpdu(CloseResponse(kSessionOk, number));
            return;
        }
        case kSessionNumber: {
            if (body.size() != 2) return;
            const std::uint16_t number = ReadBe16(body);
            ByteView apdus = spdu.subspan(object->size);
            while (const auto apdu = ReadObject(apdus, 3)) {
                OnApdu(number, Tag3(apdus), apdu->body);
                apdus = apdus.subspan(apdu->size);
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace linuxdvb::en50221
