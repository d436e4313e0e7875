#include "card/SkyOnFirstUse.h"

namespace card {

SkyOnFirstUse::SkyOnFirstUse(Sky sky) {
    std::call_once(m_state->read, [&] { m_state->sky = std::move(sky); });
}

const Sky& SkyOnFirstUse::Get() const {
    std::call_once(m_state->read, [this] { m_state->sky = DefaultSky(); });
    return *m_state->sky;
}

}  // namespace card
