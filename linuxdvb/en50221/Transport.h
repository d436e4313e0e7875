// The host's end of the one transport connection it keeps with a module: connection set-up and
// tear-down, polling, fetching what the module holds, and reassembly of chained data. At most
// one command is outstanding, but what the module sends is taken by its tag and the connection's
// state, never as the answer to the last command: a real module may answer late, answer twice,
// or leave units behind a reset, and pairing by order would leave the host one answer behind
// for good. A create reply that comes late still opens the connection; one that comes while open
// is a stray and ignored, as is data for a connection that is not open.
//
// Bytes that cannot be split into units (lengths past the end, a foreign connection id) and
// chained data beyond kMaxSpduSize delete the connection; the host creates a new one
// kRetryDelay later. A connection the module let fall silent is not created again: the slot
// resets the module first (OnSilence says so).
//
// Not thread-safe: the slot's thread owns it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

class Transport {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::uint8_t kConnectionId = 1;
    // How often an idle connection asks the module whether it has something to say: modules
    // are known to fail when polled faster.
    static constexpr std::chrono::milliseconds kPollInterval{300};
    static constexpr std::chrono::milliseconds kRetryDelay{1000};
    static constexpr std::size_t kMaxSpduSize = 65536;

    enum class State { Closed, Creating, Open, Deleting };

    State GetState() const { return m_state; }
    bool IsOpen() const { return m_state == State::Open; }

    // Starts the connection at the next command (slot ready).
    void Connect(Clock::time_point now);
    // Forgets the connection without a word to the module (removed, reset).
    void Disconnect();

    // Queues a session-layer unit for the module; dropped when the connection is not open.
    void Send(Bytes spdu);

    // The command to write now, if one is due; none while a response is awaited.
    std::optional<Bytes> NextCommand(Clock::time_point now);
    // When NextCommand may next have something, with nothing awaited or queued.
    Clock::time_point NextDue() const;
    // What the module sent, in answer to the outstanding command or on its own (read before
    // the next command); returns the complete session units it carried.
    std::vector<Bytes> OnResponse(ByteView response, Clock::time_point now);
    // The module did not answer in time: the connection is gone. True when it had been open: the
    // module may still hold it, and a module need not start afresh on a second create_t_c, so
    // it wants a reset rather than a new connection.
    bool OnSilence(Clock::time_point now);
    // What the connection carried made no sense: delete it and start again later.
    void Abort(Clock::time_point now);

private:
    bool Accept(ByteView response, std::vector<Bytes>& units);
    void Closed(Clock::time_point now);
    bool AcceptData(bool last, ByteView data, std::vector<Bytes>& units);
    Bytes Command(Bytes tpdu, Clock::time_point now);

    State m_state = State::Closed;
    bool m_wanted = false;
    bool m_awaiting = false;
    bool m_moduleHasData = false;
    // A create went out since Connect: a reply to it opens the connection even when it comes
    // after the host gave up waiting. Replies from before Connect (a reset) are strays.
    bool m_createSent = false;
    Clock::time_point m_retryAt{};
    Clock::time_point m_lastCommand{};
    std::deque<Bytes> m_outgoing;
    std::deque<Bytes> m_replies;    // answers to the module's own transport objects
    Bytes m_chain;                  // chained data received so far
    std::uint8_t m_closingTag = 0;  // what Deleting sends: delete_t_c, or the reply to the module's
};

}  // namespace linuxdvb::en50221
