#include "linuxdvb/SpectrumSteps.h"

#include <algorithm>
#include <cmath>

namespace linuxdvb {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kStepSymbolRate = 1000000;
constexpr std::uint32_t kWideStepSymbolRate = 22000000;
constexpr auto kBlockingRead = 150ms;

}  // namespace

SpectrumSteps::SpectrumSteps(Frontend& frontend, std::uint32_t minSymbolRate,
                             std::uint32_t maxSymbolRate, double settleScale)
    : m_frontend(frontend),
      m_minSymbolRate(minSymbolRate),
      m_maxSymbolRate(maxSymbolRate),
      m_settleScale(settleScale) {}

std::uint32_t SpectrumSteps::StepSymbolRate() const {
    const std::uint32_t wanted = m_wideSteps ? kWideStepSymbolRate : kStepSymbolRate;
    const std::uint32_t floor = std::max(wanted, m_minSymbolRate);
    return m_maxSymbolRate ? std::min(floor, m_maxSymbolRate) : floor;
}

int SpectrumSteps::Enter() {
    if (m_oneShot) return 0;
    if (const int result = m_frontend.SetOneShot(true); result < 0) return result;
    m_oneShot = true;
    return 0;
}

int SpectrumSteps::Step(std::uint32_t frequencyKHz, std::uint32_t settleMs,
                        const Modulation& plain) {
    FrontendTune step;  // one carrier, whatever streams it may hold
    step.frequencyKHz = frequencyKHz;
    step.symbolRate = StepSymbolRate();
    step.system = plain.system;
    step.modulation = plain.modulation;
    const int tuned = m_frontend.Tune(step);
    if (tuned < 0) return tuned;
    m_frontend.Pause(std::chrono::microseconds(
        std::llround(static_cast<double>(settleMs) * 1000.0 * m_settleScale)));
    return 0;
}

void SpectrumSteps::Leave() {
    if (!m_oneShot) return;
    m_frontend.SetOneShot(false);
    m_oneShot = false;
}

void SpectrumSteps::NoteRead(std::chrono::steady_clock::duration took) {
    if (m_oneShot && took > kBlockingRead) m_wideSteps = true;
}

}  // namespace linuxdvb
