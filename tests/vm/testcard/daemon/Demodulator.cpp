#include "Demodulator.h"

#include <linux/dvb/frontend.h>

#include "card/InputStream.h"

namespace testcard {

const card::Transponder* Demodulate(const card::Transponder& carrier, const kcard_tune& request) {
    cardkit::TuningSettings settings;
    settings.system = request.delivery_system == SYS_DVBS ? DVBS_SYSTEM_DVBS : DVBS_SYSTEM_DVBS2;
    settings.inputStreamId = request.stream_id == NO_STREAM_ID_FILTER
                                 ? kInputStreamNotSet
                                 : static_cast<std::int32_t>(request.stream_id & 0xFF);
    settings.plsCode = static_cast<std::int32_t>(request.scrambling_sequence_index);
    return card::ReceivedStream(carrier, settings);
}

}  // namespace testcard
