#include "linuxdvb/en50221/Transport.h"

#include <utility>

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
    m_createSent = false;
    m_awaiting = false;
    m_moduleHasData = false;
    m_outgoing.clear();
    m_replies.clear();
    m_chain.clear();
}

void Transport::Closed(Clock::time_point now) {
    // Nothing of the old connection may leak into the next: not a partial chain, not a queued
    // error, not data the module was told about.
    m_state = State::Closed;
    m_awaiting = false;
    m_moduleHasData = false;
    m_outgoing.clear();
    m_replies.clear();
    m_chain.clear();
    m_retryAt = now + kRetryDelay;
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
            m_createSent = true;
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
    const bool answered = std::exchange(m_awaiting, false);
    if (m_state == State::Deleting && answered) {
        // Whatever the module says, the connection is gone; start afresh.
        Closed(now);
        return units;
    }
    if (!Accept(response, units)) {
        units.clear();
        Abort(now);
        return units;
    }
    // A module that does not take the connection may still do so late; until then the host
    // waits as after a failure.
    if (answered && m_state == State::Creating) Closed(now);
    return units;
}

bool Transport::OnSilence(Clock::time_point now) {
    if (!std::exchange(m_awaiting, false)) return false;
    const bool wasOpen = m_state == State::Open || m_state == State::Deleting;
    Closed(now);
    return wasOpen;
}

void Transport::Abort(Clock::time_point now) {
    const bool wasOpen = m_state == State::Open;
    Closed(now);
    // An open connection is deleted properly; one that never opened simply starts again.
    if (wasOpen) {
        m_state = State::Deleting;
        m_closingTag = kTpduDelete;
    }
}

bool Transport::Accept(ByteView response, std::vector<Bytes>& units) {
    const auto objects = SplitTpdus(response);
    if (!objects) return false;
    for (const TpduObject& object : *objects) {
        if (object.tcid != kConnectionId) return false;
        const bool open = m_state == State::Open;
        switch (object.tag) {
            case kTpduStatus:
                if (object.body.size() != 1) return false;
                m_moduleHasData = open && (object.body[0] & kStatusDataAvailable) != 0;
                break;
            case kTpduCreateReply:
                if (open || !m_createSent || m_state == State::Deleting) break;  // a stray
                m_state = State::Open;
                m_createSent = false;
                break;
            case kTpduDataLast:
            case kTpduDataMore:
                // Data for a connection that is not open is left over from an earlier one.
                if (open && !AcceptData(object.tag == kTpduDataLast, object.body, units))
                    return false;
                break;
            case kTpduDelete:
                // The module ends the connection: confirm, then start a new one later.
                if (!open) break;
                m_state = State::Deleting;
                m_closingTag = kTpduDeleteReply;
                m_outgoing.clear();
                m_replies.clear();
                m_chain.clear();
                break;
            case kTpduRequest:
                // One connection serves every session; the module gets no second one.
                if (open)
                    m_replies.push_back(
                        MakeTpdu(kTpduError, kConnectionId, Bytes{kNoConnectionFree}));
                break;
            default:
                break;  // nothing the host acts on
        }
    }
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
