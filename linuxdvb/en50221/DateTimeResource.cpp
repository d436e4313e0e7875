// Date-time: the host tells the module the time when asked, and again at the interval asked for.
#include "linuxdvb/en50221/DateTime.h"
#include "linuxdvb/en50221/HostStack.h"

namespace linuxdvb::en50221 {

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

}  // namespace linuxdvb::en50221
