#include "linuxdvb/en50221/Transport.h"

#include "linuxdvb/en50221/Tpdu.h"

namespace linuxdvb::en50221 {

void Transport::Connect(Clock::time_point now) {
    Disconnect();
    m_wanted = true;
    m_retryAt = now;
}

void Transport::Disconnect() {
    m_state = State::Closed;
    m_wanted = false;
    m_awaiting = false;
    m_moduleHasData = false;
    m_outgoing.clear();
    m_replies.clear();
    m_chain.clear();
}

void Transport::Send(Bytes spdu) {
    if (m_state == State::Open) m_outgoing.push_back(std::move(spdu));
}

Bytes Transport::Command(Bytes tpdu, Clock::time_point now) {
    m_awaiting = true;
    m_lastCommand = now;
    return tpdu;
}

std::optional<Bytes> Transport::NextCommand(Clock::time_point now) {
    if (m_awaiting) return std::nullopt;
    switch (m_state) {
        case State::Closed:
            if (!m_wanted || now < m_retryAt) return std::nullopt;
            m_state = State::Creating;
            return Command(MakeTpdu(kTpduCreate, kConnectionId), now);
        case State::Creating:
            return std::nullopt;
        case State::Deleting:
            return Command(MakeTpdu(m_closingTag, kConnectionId), now);
        case State::Open:
            break;
    }
    if (!m_replies.empty()) {
        Bytes reply = std::move(m_replies.front());
        m_replies.pop_front();
        return Command(std::move(reply), now);
    }
    if (m_moduleHasData) return Command(MakeTpdu(kTpduReceive, kConnectionId), now);
    if (!m_outgoing.empty()) {
        Bytes data = MakeTpdu(kTpduDataLast, kConnectionId, m_outgoing.front());
        m_outgoing.pop_front();
        return Command(std::move(data), now);
    }
    if (now - m_lastCommand >= kPollInterval)
        return Command(MakeTpdu(kTpduDataLast, kConnectionId), now);
    return std::nullopt;
}

Transport::Clock::time_point Transport::NextDue() const {
    if (m_state == State::Closed) return m_retryAt;
    return m_lastCommand + kPollInterval;
}

std::vector<Bytes> Transport::OnResponse(ByteView response, Clock::time_point now) {
    std::vector<Bytes> units;
    if (!m_awaiting) return units;
    m_awaiting = false;
    if (m_state == State::Deleting) {
        // Whatever the module says, the connection is gone; start afresh.
        m_state = State::Closed;
        m_retryAt = now + kRetryDelay;
        return units;
    }
    if (!Accept(response, units)) {
        units.clear();
        Abort(now);
    }
    return units;
}

void Transport::OnSilence(Clock::time_point now) {
    if (!m_awaiting) return;
    const bool wanted = m_wanted;
    Disconnect();
    m_wanted = wanted;
    m_retryAt = now + kRetryDelay;
}

void Transport::Abort(Clock::time_point now) {
    const bool wasOpen = m_state == State::Open;
    const bool wanted = m_wanted;
    Disconnect();
    m_wanted = wanted;
    m_retryAt = now + kRetryDelay;
    // An open connection is deleted properly; one that never opened simply starts again.
    if (wasOpen) {
        m_state = State::Deleting;
        m_closingTag = kTpduDelete;
    }
}

bool Transport::Accept(ByteView response, std::vector<Bytes>& units) {
    const auto objects = SplitTpdus(response);
    // Every response ends with the module's status, and nothing follows it.
    if (!objects || objects->empty() || objects->back().tag != kTpduStatus) return false;
    for (const TpduObject& object : *objects) {
        if (object.tcid != kConnectionId) return false;
        const bool open = m_state == State::Open;
        switch (object.tag) {
            case kTpduStatus:
                if (object.body.size() != 1 || &object != &objects->back()) return false;
                m_moduleHasData = (object.body[0] & kStatusDataAvailable) != 0;
                break;
            case kTpduCreateReply:
                if (m_state != State::Creating || !object.body.empty()) return false;
                m_state = State::Open;
                break;
            case kTpduDataLast:
            case kTpduDataMore:
                if (!open || !AcceptData(object.tag == kTpduDataLast, object.body, units))
                    return false;
                break;
            case kTpduDelete:
                // The module ends the connection: confirm, then start a new one later.
                if (!open) return false;
                m_state = State::Deleting;
                m_closingTag = kTpduDeleteReply;
                m_outgoing.clear();
                break;
            case kTpduRequest:
                // One connection serves every session; the module gets no second one.
                if (!open) return false;
                m_replies.push_back(MakeTpdu(kTpduError, kConnectionId, Bytes{kNoConnectionFree}));
                break;
            default:
                return false;
        }
    }
    if (m_state == State::Creating) return false;  // the module did not take the connection
    return true;
}

bool Transport::AcceptData(bool last, ByteView data, std::vector<Bytes>& units) {
    if (m_chain.size() + data.size() > kMaxSpduSize) return false;
    m_chain.insert(m_chain.end(), data.begin(), data.end());
    if (last) {
        if (!m_chain.empty()) units.push_back(std::move(m_chain));
        m_chain.clear();
    }
    return true;
}

}  // namespace linuxdvb::en50221
