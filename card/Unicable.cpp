#include "card/Unicable.h"

namespace card {

LnbState RouterBank(const LnbState& state) {
    LnbState bank = state;
    bank.position = (state.position - 1) % 2 + 1;
    return bank;
}

cardkit::SingleCableBank BankOf(const LnbState& state) {
    const LnbState bank = RouterBank(state);
    return {bank.position == 2, bank.polarisation == LinearPolarisation::Horizontal, bank.highBand};
}

}  // namespace card
