#include "card/Unicable.h"

namespace card {

cardkit::SingleCableBank BankOf(const LnbState& state, const ScifConfig& config) {
    return cardkit::BankFor(config, state.position,
                            state.polarisation == LinearPolarisation::Horizontal, state.highBand);
}

LnbState RouterBank(const LnbState& state, const ScifConfig& config) {
    LnbState bank = state;
    bank.position = static_cast<int>(BankOf(state, config).position) + 1;
    return bank;
}

}  // namespace card
