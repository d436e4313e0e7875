// The host side of one module's dialogue above the link layer: the transport connection, the
// sessions the module opens to the host's resources, and those resources (resource manager,
// application information, conditional-access support, date-time, the high-level MMI).
//
// It is plain code over byte buffers: the slot's thread writes each command it returns and
// hands back what the module sends, so tests and the fuzzer drive it without a device.
// A session whose objects are malformed (lengths past the end, fields missing) is closed;
// well-formed objects the host has no use for are ignored, and so is a malformed session unit or
// one for a session the host does not know; transport bytes that make no sense delete the
// connection.
//
// The sessions live here (HostStack.cpp); each resource has a file of its own:
// ResourceManager.cpp, ApplicationInformation.cpp, CaSupport.cpp, DateTimeResource.cpp and
// MmiResource.cpp.
//
// Not thread-safe: the slot's thread owns it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "linuxdvb/en50221/Apdu.h"
#include "linuxdvb/en50221/Bytes.h"
#include "linuxdvb/en50221/MmiDisplay.h"
#include "linuxdvb/en50221/Transport.h"

namespace linuxdvb::en50221 {

class HostStack {
public:
    using Clock = Transport::Clock;

    static constexpr std::size_t kMaxSessions = 32;

    // Slot ready: open a connection. Slot gone or reset: forget everything the module said.
    void Connect(Clock::time_point now);
    void Disconnect();

    // The command to write now, if one is due; NextDue says when to ask again at the latest.
    std::optional<Bytes> NextCommand(Clock::time_point now);
    Clock::time_point NextDue() const;
    void OnResponse(ByteView response, Clock::time_point now);
    void OnSilence(Clock::time_point now);

    bool IsConnected() const { return m_transport.IsOpen(); }
    // The module's name (its menu string) once its application has told it.
    const std::optional<std::string>& CamName() const { return m_camName; }
    const std::vector<std::uint16_t>& CaSystemIds() const { return m_caSystemIds; }
    // How the module's application introduced itself, with its name.
    struct ApplicationInfo {
        std::uint8_t type = 0;  // 1 conditional access, 2 electronic programme guide
        std::uint16_t manufacturer = 0;
        std::uint16_t code = 0;
    };
    const std::optional<ApplicationInfo>& Application() const { return m_application; }

    // The MMI object shown, and its id: new for each object, never reused by this stack.
    const std::optional<MmiDisplay>& Display() const { return m_display; }
    std::uint32_t DisplayId() const { return m_displayId; }
    // Whether the shown object has been answered (a second answer would be stale).
    bool DisplayAnswered() const { return m_answered; }

    // Asks the module's application for its menu; false when no application is there.
    bool EnterMenu();
    // Ends the dialogue from the host's side.
    void CloseMmi();
    // Answers the shown menu or list (0: back) or enquiry (empty: cancel); false when there is
    // nothing of that kind to answer or the MMI session is gone.
    bool AnswerMenu(std::uint8_t choice);
    bool AnswerEnquiry(ByteView answer);

    // The current PMT section of `key`'s programme (a tuner's): the module is asked to
    // descramble it now when it has told its CA systems, else once it does (and again on every
    // new conditional-access session). Several programmes share the module: the first goes out
    // as the only one, each further one is added, a new version updates its own. An empty
    // section withdraws the programme: the module is told it is no longer selected, unless
    // another key's programme it holds has the same programme number (both tuners on one
    // service share the module's entry).
    void SetCaPmt(int key, Bytes section);

    // Whether the module wants a reset since the last call: its application asked for one, or
    // it fell silent on an open connection.
    bool TakeResetRequest() { return std::exchange(m_resetRequested, false); }

private:
    enum class Resource { Manager, Application, ConditionalAccess, DateTime, Mmi };
    struct Session {
        Resource resource = Resource::Manager;
        std::uint32_t version = 1;
        bool profileChangedSent = false;
        bool caInfoReceived = false;  // the module takes ca_pmt only after it has said ca_info
        std::chrono::seconds dateTimeInterval{0};
        std::optional<Clock::time_point> nextDateTime;
    };

    void OnSpdu(ByteView spdu, Clock::time_point now);
    void OpenSession(std::uint32_t resource);
    void ReplaceMmiSession();
    void OnSessionData(std::uint16_t number, ByteView apdus, Clock::time_point now);
    bool OnApdu(std::uint16_t number, Session& session, const Apdu& apdu, Clock::time_point now);
    bool OnManagerApdu(std::uint16_t number, Session& session, const Apdu& apdu);
    bool OnApplicationApdu(std::uint16_t number, const Session& session, const Apdu& apdu);
    bool OnCaApdu(Session& session, const Apdu& apdu);
    bool OnDateTimeApdu(std::uint16_t number, Session& session, const Apdu& apdu,
                        Clock::time_point now);
    bool OnMmiApdu(std::uint16_t number, const Apdu& apdu, Clock::time_point now);
    bool OnMmiFragment(std::uint32_t tag, ByteView body);
    void SessionOpened(std::uint16_t number, Resource resource);
    void SessionGone(std::uint16_t number);
    void CloseSession(std::uint16_t number);
    void SendApdu(std::uint16_t number, std::uint32_t tag, ByteView body = {});
    // The conditional-access session that takes ca_pmt now, if any.
    std::optional<std::uint16_t> CaPmtSession() const;
    // Sends every programme afresh: the first as the only one, the rest added.
    void SendAllCaPmts(std::uint16_t number);
    bool SendCaPmt(std::uint16_t number, ByteView section, std::uint8_t listManagement,
                   std::uint8_t command);
    // Whether another key's programme the module holds has the programme number of `section`.
    bool HeldForAnotherKey(int key, ByteView section) const;
    void EndMmi();
    void Show(std::optional<MmiDisplay> display);
    void SendDueDateTimes(Clock::time_point now);
    std::optional<std::uint16_t> SessionOf(Resource resource) const;
    void ForgetSessions();

    Transport m_transport;
    std::map<std::uint16_t, Session> m_sessions;
    std::uint16_t m_nextSession = 1;
    std::optional<std::string> m_camName;
    std::optional<ApplicationInfo> m_application;
    std::vector<std::uint16_t> m_caSystemIds;
    struct Programme {
        Bytes section;
        bool sent = false;  // the module holds it in its list
    };
    std::map<int, Programme> m_programmes;
    bool m_resetRequested = false;

    std::optional<MmiDisplay> m_display;
    std::uint32_t m_displayId = 0;
    bool m_answered = false;
    std::optional<Clock::time_point> m_closeMmiAt;
    std::uint32_t m_fragmentTag = 0;  // the _more object being joined, 0 when none
    Bytes m_fragments;
};

}  // namespace linuxdvb::en50221
