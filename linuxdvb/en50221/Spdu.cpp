#include "linuxdvb/en50221/Spdu.h"

namespace linuxdvb::en50221 {

Bytes MakeOpenSessionResponse(std::uint8_t status, std::uint32_t resource, std::uint16_t session) {
    Bytes spdu{kSpduOpenResponse, 7, status};
    AppendBe32(spdu, resource);
    AppendBe16(spdu, session);
    return spdu;
}

Bytes MakeCloseSessionRequest(std::uint16_t session) {
    Bytes spdu{kSpduCloseRequest, 2};
    AppendBe16(spdu, session);
    return spdu;
}

Bytes MakeCloseSessionResponse(std::uint8_t status, std::uint16_t session) {
    Bytes spdu{kSpduCloseResponse, 3, status};
    AppendBe16(spdu, session);
    return spdu;
}

Bytes MakeSessionData(std::uint16_t session, ByteView apdus) {
    Bytes spdu;
    spdu.reserve(4 + apdus.size());
    spdu.push_back(kSpduSessionNumber);
    spdu.push_back(2);
    AppendBe16(spdu, session);
    spdu.insert(spdu.end(), apdus.begin(), apdus.end());
    return spdu;
}

}  // namespace linuxdvb::en50221
