// Application information: the module's application introduces itself (its menu string names
// the module), opens its menu on request, and from version 3 on learns the host's data rate and
// may ask to be reset.
#include "linuxdvb/en50221/HostStack.h"

namespace linuxdvb::en50221 {
namespace {

constexpr std::uint32_t kDataRateVersion = 3;
constexpr std::uint8_t kDataRate72Mbits = 0x00;

}  // namespace

bool HostStack::OnApplicationApdu(std::uint16_t number, const Session& session, const Apdu& apdu) {
    if (apdu.tag == kRequestCamReset) {
        m_resetRequested = true;
        return true;
    }
    if (apdu.tag != kApplicationInfo) return true;  // nothing the host acts on
    // type, manufacturer, code, then the menu string behind its length.
    if (apdu.body.size() < 6) return false;
    const std::size_t length = apdu.body[5];
    if (apdu.body.size() - 6 < length) return false;
    m_application = ApplicationInfo{apdu.body[0], ReadBe16(apdu.body.subspan(1)),
                                    ReadBe16(apdu.body.subspan(3))};
    m_camName.emplace(apdu.body.begin() + 6, apdu.body.begin() + 6 + length);
    if (session.version >= kDataRateVersion)
        SendApdu(number, kDataRateInfo, Bytes{kDataRate72Mbits});
    return true;
}

bool HostStack::EnterMenu() {
    const auto number = SessionOf(Resource::Application);
    if (!number) return false;
    SendApdu(*number, kEnterMenu);
    return true;
}

}  // namespace linuxdvb::en50221
