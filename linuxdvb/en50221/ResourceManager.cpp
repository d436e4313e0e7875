// The resource manager: the module and the host tell each other which resources they offer.
#include "linuxdvb/en50221/HostResources.h"
#include "linuxdvb/en50221/HostStack.h"

namespace linuxdvb::en50221 {

bool HostStack::OnManagerApdu(std::uint16_t number, Session& session, const Apdu& apdu) {
    switch (apdu.tag) {
        case kProfileEnq: {
            // Answered whenever it comes, also before the module has answered the host's own.
            Bytes profile;
            for (const OfferedResource& resource : kHostResources) AppendBe32(profile, resource.id);
            SendApdu(number, kProfileReply, profile);
            return true;
        }
        case kProfileReply:
            if (apdu.body.size() % 4 != 0) return false;
            // Told once what the module offers, the host says its own list has changed so the
            // module asks for it.
            if (!std::exchange(session.profileChangedSent, true)) SendApdu(number, kProfileChanged);
            return true;
        case kProfileChanged:
            SendApdu(number, kProfileEnq);
            return true;
        default:
            return true;  // nothing the host acts on
    }
}

}  // namespace linuxdvb::en50221
