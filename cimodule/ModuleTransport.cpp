// The module's transport layer: the units it answers the host's with, its status byte, and its
// outgoing data cut into chains and handed over when the host polls for it.

#include <algorithm>
#include <chrono>
#include <utility>

#include "ModuleWire.h"
#include "SimulatedModule.h"

namespace linuxdvb::en50221 {

using namespace wire;

Bytes SimulatedModule::Respond(ByteView frame) {
    if (!m_present || m_hung || frame.size() < 2 || frame[0] != kSlot || frame[1] != kTcid)
        return {};
    const auto tpdu = frame.subspan(2);
    const auto object = ReadObject(tpdu, 1);
    if (!object || object->body.empty() || object->body[0] != kTcid) return {};
    return Frame(RespondToTpdu(tpdu[0], object->body.subspan(1)));
}

Bytes SimulatedModule::Status() {
    return Tpdu(kStatus, kTcid, Bytes{m_outgoing.empty() ? std::uint8_t{0} : kDataAvailable});
}

Bytes SimulatedModule::RespondToTpdu(std::uint8_t tag, ByteView body) {
    Bytes response;
    switch (tag) {
        case kCreate: {
            // A create on an open connection starts afresh, unless the module keeps its
            // connection: then it answers and goes on with the sessions it has.
            if (!m_quirks.keepConnection || !m_connected) {
                StartAfresh();
                m_connected = true;
                RequestSession(kResourceManager);
            }
            response = Tpdu(kCreateReply, kTcid);
            const Bytes status = Status();
            response.insert(response.end(), status.begin(), status.end());
            if (m_quirks.strayAfterOpen) SendLater(Frame(response), std::chrono::milliseconds(0));
            if (m_quirks.lateCreateReply.count() == 0) return response;
            SendLater(Frame(response), m_quirks.lateCreateReply);
            return {};
        }
        case kDelete:
            StartAfresh();
            response = Tpdu(kDeleteReply, kTcid);
            break;
        case kDataLast:
            if (m_connected && !body.empty()) OnSpdu(body);
            break;
        case kReceive:
            if (m_connected && !m_outgoing.empty()) response = TakeData();
            break;
        default:
            break;
    }
    const Bytes status = Status();
    response.insert(response.end(), status.begin(), status.end());
    return response;
}

Bytes SimulatedModule::TakeData() {
    Bytes response;
    do {
        auto [more, data] = std::move(m_outgoing.front());
        m_outgoing.pop_front();
        Bytes unit = Tpdu(more ? kDataMore : kDataLast, kTcid, data);
        if (std::exchange(m_corruptResponse, false)) unit = Overlong(unit, 1);
        response.insert(response.end(), unit.begin(), unit.end());
    } while (m_quirks.severalPerRead && !m_outgoing.empty());
    return response;
}

void SimulatedModule::SendSpdu(Bytes spdu) {
    if (m_split == 0 || spdu.size() <= m_split) {
        m_outgoing.emplace_back(false, std::move(spdu));
        return;
    }
    for (std::size_t at = 0; at < spdu.size(); at += m_split) {
        const std::size_t end = std::min(spdu.size(), at + m_split);
        m_outgoing.emplace_back(end < spdu.size(), Bytes(spdu.begin() + at, spdu.begin() + end));
    }
}

}  // namespace linuxdvb::en50221
