// What a module sends the host: records of [kind][length, 2 bytes][bytes]. Kind 0 hands the
// bytes over as a whole response; kind 1 wraps them as session data of one transport unit with
// a status, so the fuzzer reaches the sessions and resources quickly; kind 2 makes the user act
// (menu, answers, close, descrambling); kind 3 is transport packets of the tuned stream, whose
// sections on PID 0x100 become descrambling requests. The connection is opened first as a
// module would.
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "linuxdvb/SectionReader.h"
#include "linuxdvb/en50221/HostStack.h"
#include "linuxdvb/en50221/Tpdu.h"

using namespace linuxdvb::en50221;

namespace {

void Act(HostStack& stack, ByteView bytes) {
    if (bytes.empty()) return;
    switch (bytes[0] % 5) {
        case 0:
            stack.EnterMenu();
            break;
        case 1:
            stack.AnswerMenu(bytes.size() > 1 ? bytes[1] : 0);
            break;
        case 2:
            stack.AnswerEnquiry(bytes.subspan(1));
            break;
        case 3:
            stack.CloseMmi();
            break;
        case 4:
            // Any bytes as a programme's section: the stack builds what it sends from them.
            stack.SetCaPmt(bytes.size() > 1 ? bytes[1] % 3 : 0,
                           Bytes(bytes.begin() + 1, bytes.end()));
            break;
    }
}

void Stream(HostStack& stack, linuxdvb::SectionReader& reader, ByteView bytes) {
    for (std::size_t at = 0; at + 188 <= bytes.size(); at += 188) {
        reader.Add(bytes.subspan(at).first<188>(), [&](linuxdvb::SectionReader::Section section) {
            stack.SetCaPmt(1, Bytes(section.begin(), section.end()));
        });
    }
}

void Check(const HostStack& stack) {
    const auto& display = stack.Display();
    if (!display) return;
    const bool menu = display->kind <= MmiDisplay::kList;
    const std::size_t items =
        display->count == MmiDisplay::kNoItemCount ? 0 : std::size_t{display->count};
    if (menu && display->strings.size() != 3 + items) __builtin_trap();
    if (!menu && display->strings.size() != 1) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    HostStack stack;
    auto now = HostStack::Clock::time_point{};
    stack.Connect(now);
    stack.NextCommand(now);
    const Bytes created = {kTpduCreateReply, 1, 1, kTpduStatus, 2, 1, kStatusDataAvailable};
    stack.OnResponse(created, now);

    linuxdvb::SectionReader reader(0x100);
    ByteView input(data, size);
    while (input.size() >= 3) {
        const std::uint8_t kind = input[0];
        const std::size_t length =
            std::min<std::size_t>(input[1] << 8 | input[2], input.size() - 3);
        const ByteView bytes = input.subspan(3, length);
        input = input.subspan(3 + length);
        now += std::chrono::milliseconds(150);
        if (kind % 4 == 2) {
            Act(stack, bytes);
            continue;
        }
        if (kind % 4 == 3) {
            Stream(stack, reader, bytes);
            continue;
        }
        // The host speaks first; whatever it says, the module's bytes answer it.
        stack.NextCommand(now);
        if (kind % 4 == 0) {
            stack.OnResponse(bytes, now);
        } else {
            Bytes response = MakeTpdu(kTpduDataLast, 1, bytes);
            const Bytes status = MakeTpdu(kTpduStatus, 1, Bytes{kStatusDataAvailable});
            response.insert(response.end(), status.begin(), status.end());
            stack.OnResponse(response, now);
        }
        Check(stack);
    }
    return 0;
}
