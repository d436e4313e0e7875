#include "spectrum/SignalMeter.h"

namespace {

bool IsTunerIndex(int tunerIndex) {
    return tunerIndex == 0 || tunerIndex == 1;
}

}  // namespace

void SignalMeters::Reset(int tunerIndex) {
    if (!IsTunerIndex(tunerIndex)) return;
    m_level[tunerIndex] = 0;
    m_peakLevel[tunerIndex] = 0;
    m_quality[tunerIndex] = 0;
    m_peakQuality[tunerIndex] = 0;
}

void SignalMeters::Update(int tunerIndex, std::uint32_t level, std::uint32_t quality) {
    if (!IsTunerIndex(tunerIndex)) return;
    if (level > m_peakLevel[tunerIndex]) m_peakLevel[tunerIndex] = level;
    m_level[tunerIndex] = level;
    if (quality > m_peakQuality[tunerIndex]) m_peakQuality[tunerIndex] = quality;
    m_quality[tunerIndex] = quality;
}
