// What a tuner's stream may carry as the descrambler reads it: any bytes as transport packets
// (the PAT, and the PMTs on the PIDs it names). The first two bytes are the service the tune
// named (0xFFFF: none); a packet without the sync byte is an event instead (a tune elsewhere,
// the graph stopping or running, a CI mode), so the fuzzer reaches every state the stream can
// meet. The slot holds no module: the requests stay with the host stack.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "linuxdvb/ServiceDescrambler.h"
#include "linuxdvb/en50221/CaLink.h"

namespace {

using namespace linuxdvb::en50221;

class EmptySlot final : public CaLink {
public:
    std::optional<SlotState> QuerySlot() override { return SlotState{}; }
    bool Reset() override { return true; }
    bool Write(ByteView) override { return false; }
    ReadResult Read(Bytes&, std::chrono::milliseconds) override { return ReadResult::Timeout; }
};

void Event(linuxdvb::ServiceDescrambler& descrambler, ByteView packet) {
    switch (packet[1] % 4) {
        case 0:
            descrambler.Tune(packet[2] == 0xFF ? -1 : packet[2] << 8 | packet[3]);
            break;
        case 1:
            descrambler.Stop();
            break;
        case 2:
            descrambler.Start();
            break;
        case 3:
            descrambler.SetCiMode(packet[2] % 3);
            break;
    }
}

// One slot for the whole run: its thread is started once.
const std::shared_ptr<CamSlot>& Slot() {
    static const auto slot = std::make_shared<CamSlot>(std::make_unique<EmptySlot>());
    return slot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const auto route = std::make_shared<linuxdvb::SingleTransponderRoute>();
    linuxdvb::ServiceDescrambler descrambler(Slot(), 1, route);
    descrambler.SetCiMode(1);
    const int service = data[0] << 8 | data[1];
    descrambler.Tune(service == 0xFFFF ? -1 : service);
    for (std::size_t at = 2; at + 188 <= size; at += 188) {
        const ByteView packet(data + at, 188);
        if (packet[0] == 0x47)
            descrambler.OnPackets(packet);
        else
            Event(descrambler, packet);
    }
    // The programmes it asked for go again, as when the next tune comes.
    descrambler.Tune(-1);
    return 0;
}
