// The sky a simulated card sees, read from its plans the first time anything looks at it.
// Reading the default plans is a noticeable part of the program's start-up, and nothing before
// the first tune or spectrum step needs them. Copies share one sky (it never changes once
// read). Get may be called from any thread; the plans are read once, by the first caller.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "card/Sky.h"

namespace card {

class SkyOnFirstUse {
public:
    // The sky the card ships with (DefaultSky), read on first use.
    SkyOnFirstUse() = default;
    // A given sky, such as a test's; implicit so that a configuration can be handed a Sky.
    SkyOnFirstUse(Sky sky);

    const Sky& Get() const;

private:
    struct State {
        std::once_flag read;
        std::optional<Sky> sky;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

}  // namespace card
