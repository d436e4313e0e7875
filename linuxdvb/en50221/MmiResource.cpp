// The high-level man-machine interface: the module's menus, lists and enquiries, shown one at a
// time, and the user's answers. A dialogue ends with close_mmi, after which the host closes the
// session, so a module that opens a fresh session for its next dialogue is heard.
#include <utility>

#include "linuxdvb/en50221/HostStack.h"

namespace linuxdvb::en50221 {
namespace {

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
            EndMmi();
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

void HostStack::EndMmi() {
    Show(std::nullopt);
    if (const auto number = SessionOf(Resource::Mmi)) CloseSession(*number);
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

}  // namespace linuxdvb::en50221
