#include "scan/CarrierFinder.h"

#include <algorithm>
#include <cmath>

namespace scan {
namespace {

constexpr double kFloorWindowMHz = 100.0;  // either side
constexpr double kFloorPercentile = 0.1;
// The percentile jumps where the gaps between carriers change; averaged over this much either
// side it changes little across one carrier, whose top it would otherwise tilt.
constexpr double kFloorSmoothingMHz = 60.0;
constexpr double kRunThresholdDb = 2.0;
constexpr double kMinRiseDb = 3.0;
constexpr int kPlateauPasses = 2;
constexpr double kHalfPower = 0.5;
// Walking down into a valley, a step may rise this much (noise) before the valley ends:
// relatively on a carrier's flank, absolutely near the floor, where the power over it is ~0.
constexpr double kValleyRise = 1.26;  // 1 dB
constexpr double kValleyFloorRise = 0.25;

double PowerRatio(double db) {
    return std::pow(10.0, db / 10.0);
}

// The values of `x` within `halfWidth` of each one, in turn: calls `each(i, lo, hi)` with the
// window lo..hi (exclusive) around step i.
template <typename Each>
void ForEachWindow(std::span<const double> x, double halfWidth, Each each) {
    std::size_t lo = 0;
    std::size_t hi = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        while (x[lo] < x[i] - halfWidth) ++lo;
        while (hi < x.size() && x[hi] <= x[i] + halfWidth) ++hi;
        each(i, lo, hi);
    }
}

// The floor under each step: a low percentile of the levels around it, then averaged.
std::vector<double> FloorDb(std::span<const double> x, std::span<const double> levelDb) {
    std::vector<double> percentile(levelDb.size());
    std::vector<double> window;
    ForEachWindow(x, kFloorWindowMHz, [&](std::size_t i, std::size_t lo, std::size_t hi) {
        window.assign(levelDb.begin() + static_cast<std::ptrdiff_t>(lo),
                      levelDb.begin() + static_cast<std::ptrdiff_t>(hi));
        const auto nth =
            window.begin() +
            static_cast<std::ptrdiff_t>(static_cast<double>(window.size()) * kFloorPercentile);
        std::nth_element(window.begin(), nth, window.end());
        percentile[i] = *nth;
    });
    std::vector<double> floor(levelDb.size());
    ForEachWindow(x, kFloorSmoothingMHz, [&](std::size_t i, std::size_t lo, std::size_t hi) {
        double sum = 0;
        for (std::size_t k = lo; k < hi; ++k) sum += percentile[k];
        floor[i] = sum / static_cast<double>(hi - lo);
    });
    return floor;
}

class Search {
public:
    Search(std::span<const double> x, std::span<const double> power) : m_x(x), m_power(power) {}

    // Finds the carriers among the steps lo..hi (inclusive), all over the run threshold.
    void Run(std::size_t lo, std::size_t hi, std::vector<FoundCarrier>& found) const {
        const auto first = m_power.begin() + static_cast<std::ptrdiff_t>(lo);
        const auto last = m_power.begin() + static_cast<std::ptrdiff_t>(hi + 1);
        const auto peak = static_cast<std::size_t>(std::max_element(first, last) - m_power.begin());
        // The peak step alone overstates the plateau by its noise; the middle of the carrier
        // between its edges, all on the plateau whatever the roll-off, states it better, and
        // the edges follow the plateau.
        Extent extent = Edges(lo, hi, peak, m_power[peak]);
        for (int pass = 0; pass < kPlateauPasses; ++pass)
            extent = Edges(lo, hi, peak, Plateau(extent, peak));
        if (extent.twoEdges && extent.plateau >= PowerRatio(kMinRiseDb))
            found.push_back({(extent.from + extent.to) / 2.0, extent.to - extent.from,
                             10.0 * std::log10(extent.plateau)});
        // Whether a carrier or not, the rise owns its steps down to the valleys either side;
        // what lies beyond may hold carriers of its own.
        const std::size_t ownLeft = ValleyLeft(lo, extent.left);
        const std::size_t ownRight = ValleyRight(extent.right, hi);
        if (ownLeft > lo) Run(lo, ownLeft - 1, found);
        if (ownRight < hi) Run(ownRight + 1, hi, found);
    }

private:
    struct Extent {
        double plateau = 0;
        std::size_t left = 0;  // the outermost steps at or over half the plateau
        std::size_t right = 0;
        bool twoEdges = false;
        double from = 0;  // the half-power crossings, MHz
        double to = 0;
    };

    // Where the power around `peak` falls to half of `plateau`. An edge may fall on the step
    // just outside the span: lower than the span's steps where the span is a run, a valley where
    // it is what a carrier left.
    Extent Edges(std::size_t lo, std::size_t hi, std::size_t peak, double plateau) const {
        Extent e;
        e.plateau = plateau;
        const double half = plateau * kHalfPower;
        e.left = e.right = peak;
        while (e.left > lo && m_power[e.left - 1] >= half) --e.left;
        while (e.right < hi && m_power[e.right + 1] >= half) ++e.right;
        e.twoEdges = e.left > 0 && m_power[e.left - 1] < half && e.right + 1 < m_power.size() &&
                     m_power[e.right + 1] < half;
        if (e.twoEdges) {
            e.from = Crossing(e.left - 1, e.left, half);
            e.to = Crossing(e.right, e.right + 1, half);
        }
        return e;
    }

    // The mean power of the steps in the middle half between the edges, or the peak's when
    // none lies there.
    double Plateau(const Extent& e, std::size_t peak) const {
        if (!e.twoEdges) return e.plateau;
        const double quarter = (e.to - e.from) / 4.0;
        double sum = 0;
        int count = 0;
        for (std::size_t i = e.left; i <= e.right; ++i) {
            if (m_x[i] < e.from + quarter || m_x[i] > e.to - quarter) continue;
            sum += m_power[i];
            ++count;
        }
        return count > 0 ? sum / count : m_power[peak];
    }

    // Where the power crosses `level` between steps a and a + 1, linearly.
    double Crossing(std::size_t a, std::size_t b, double level) const {
        const double span = m_power[b] - m_power[a];
        const double t = span == 0 ? 0.5 : (level - m_power[a]) / span;
        return m_x[a] + std::clamp(t, 0.0, 1.0) * (m_x[b] - m_x[a]);
    }

    bool StillFalling(std::size_t from, std::size_t to) const {
        return m_power[to] <= m_power[from] * kValleyRise + kValleyFloorRise;
    }

    // The lowest step reached walking down from `edge` toward `lo`.
    std::size_t ValleyLeft(std::size_t lo, std::size_t edge) const {
        std::size_t lowest = edge;
        for (std::size_t i = edge; i > lo && StillFalling(i, i - 1); --i)
            if (m_power[i - 1] < m_power[lowest]) lowest = i - 1;
        return lowest;
    }
    std::size_t ValleyRight(std::size_t edge, std::size_t hi) const {
        std::size_t lowest = edge;
        for (std::size_t i = edge; i < hi && StillFalling(i, i + 1); ++i)
            if (m_power[i + 1] < m_power[lowest]) lowest = i + 1;
        return lowest;
    }

    std::span<const double> m_x;
    std::span<const double> m_power;  // carrier power over the floor, in units of the floor
};

}  // namespace

std::vector<FoundCarrier> FindCarriers(std::span<const SpectrumPoint> sweep) {
    std::vector<FoundCarrier> found;
    if (sweep.size() < 3) return found;
    std::vector<double> x(sweep.size());
    std::vector<double> levelDb(sweep.size());
    for (std::size_t i = 0; i < sweep.size(); ++i) {
        x[i] = sweep[i].frequency;
        levelDb[i] = sweep[i].level / 1000.0;
    }
    const std::vector<double> floorDb = FloorDb(x, levelDb);
    std::vector<double> power(sweep.size());
    for (std::size_t i = 0; i < sweep.size(); ++i)
        power[i] = std::max(0.0, PowerRatio(levelDb[i] - floorDb[i]) - 1.0);
    const double runThreshold = PowerRatio(kRunThresholdDb) - 1.0;
    const Search search(x, power);
    for (std::size_t i = 0; i < sweep.size();) {
        if (power[i] <= runThreshold) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end + 1 < sweep.size() && power[end + 1] > runThreshold) ++end;
        search.Run(i, end, found);
        i = end + 1;
    }
    std::sort(found.begin(), found.end(), [](const FoundCarrier& a, const FoundCarrier& b) {
        return a.centreMHz < b.centreMHz;
    });
    return found;
}

}  // namespace scan
