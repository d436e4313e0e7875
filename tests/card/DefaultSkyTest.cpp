// The sky the card ships with: four full plans whose carriers sit side by side without
// overlapping, with ids a receiver can tell apart, and on which any transponder a user tunes to
// by hand locks.
#include <algorithm>
#include <set>
#include <thread>

#include "CardTestSupport.h"

namespace cardtest {
namespace {

using namespace card;

double OccupiedMHz(const Transponder& t) {
    return (1.0 + t.rollOff) * t.symbolRate / 1000.0;
}

TEST(DefaultSky, FullPlansOfCarriersThatDoNotOverlapWithDistinctIds) {
    const Sky sky = DefaultSky();
    std::set<int> tsids;
    for (const Satellite& satellite : sky.positions) {
        SCOPED_TRACE(satellite.name);
        std::set<int> sids;
        for (const auto polarisation :
             {LinearPolarisation::Horizontal, LinearPolarisation::Vertical}) {
            std::vector<const Transponder*> carriers;
            for (const Transponder& t : satellite.transponders)
                if (t.polarisation == polarisation) carriers.push_back(&t);
            std::sort(carriers.begin(), carriers.end(),
                      [](auto* a, auto* b) { return a->frequencyMHz < b->frequencyMHz; });
            const auto high = static_cast<std::size_t>(
                std::count_if(carriers.begin(), carriers.end(),
                              [](auto* t) { return t->frequencyMHz >= 11700; }));
            EXPECT_GE(carriers.size() - high, 15u) << "low band";
            EXPECT_GE(high, 15u) << "high band";
            for (std::size_t i = 1; i < carriers.size(); ++i) {
                const Transponder& a = *carriers[i - 1];
                const Transponder& b = *carriers[i];
                EXPECT_GE(b.frequencyMHz - a.frequencyMHz, (OccupiedMHz(a) + OccupiedMHz(b)) / 2)
                    << a.frequencyMHz << " and " << b.frequencyMHz;
            }
        }
        for (const Transponder& t : satellite.transponders) {
            EXPECT_TRUE(tsids.insert(t.tsid).second) << "TSID " << t.tsid;
            EXPECT_FALSE(t.services.empty()) << t.frequencyMHz;
            for (const Service& service : t.services)
                EXPECT_TRUE(sids.insert(service.sid).second) << "SID " << service.sid;
        }
    }
}

// The card reads its plans when first asked, possibly by two tuners' threads at once: both get
// the one sky, which is the same one any copy of the configuration made before that sees.
TEST(DefaultSky, ReadOnceOnFirstUseAndSharedWithEarlierCopies) {
    const SkyOnFirstUse sky;
    const SkyOnFirstUse copy = sky;
    const Sky* seen[2] = {};
    std::thread other([&] { seen[0] = &sky.Get(); });
    seen[1] = &copy.Get();
    other.join();
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[1]->positions[3].transponders.size(),
              DefaultSky().positions[3].transponders.size());
}

using DefaultSkyOnCard = CardTest;

TEST_F(DefaultSkyOnCard, EveryTransponderTunedByHandLocks) {
    const TunerHandles tuner = OpenTuner(1);
    const Sky& sky = m_card->Config().sky.Get();
    for (std::uint32_t source = 1; source <= 4; ++source) {
        for (const Transponder& t : sky.positions[source - 1].transponders) {
            const auto polarisation = t.polarisation == LinearPolarisation::Horizontal
                                          ? BDA_POLARISATION_LINEAR_H
                                          : BDA_POLARISATION_LINEAR_V;
            ASSERT_EQ(Tune(tuner, t.frequencyMHz * 1000, polarisation, t.symbolRate, source), S_OK);
            EXPECT_EQ(m_card->Status(1).locked, &t) << source << " " << t.frequencyMHz;
            std::int32_t quality = 0;
            query<IBDA_SignalStatistics>(tuner.node)->get_SignalQuality(&quality);
            EXPECT_GT(quality, 10) << source << " " << t.frequencyMHz;
        }
    }
}

}  // namespace
}  // namespace cardtest
