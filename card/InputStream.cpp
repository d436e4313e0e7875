#include "card/InputStream.h"

#include <algorithm>

namespace card {
namespace {

bool SystemFits(const Transponder& carrier, ::DvbsSystem system) {
    const bool dvbs = carrier.modulation == Modulation::DvbsQpsk;
    return system == DVBS_SYSTEM_NOT_SET || (system == DVBS_SYSTEM_DVBS) == dvbs;
}

const Transponder* StreamOf(const Transponder& carrier, std::int32_t streamId) {
    if (carrier.inputStreamId == -1 || streamId == kInputStreamNotSet ||
        carrier.inputStreamId == streamId)
        return &carrier;
    const auto& others = carrier.otherStreams;
    const auto found = std::find_if(others.begin(), others.end(), [&](const Transponder& t) {
        return t.inputStreamId == streamId;
    });
    return found == others.end() ? nullptr : &*found;
}

}  // namespace

const Transponder* ReceivedStream(const Transponder& carrier,
                                  const cardkit::TuningSettings& settings) {
    if (!SystemFits(carrier, settings.system)) return nullptr;
    const Transponder* stream = StreamOf(carrier, settings.inputStreamId);
    const auto code =
        static_cast<std::uint32_t>(settings.plsCode == kPlsCodeNotSet ? 0 : settings.plsCode);
    return stream && stream->plsCode == code ? stream : nullptr;
}

}  // namespace card
