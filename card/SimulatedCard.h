// The simulated card's state behind its drivers, shared by every filter object they serve (a
// driver keeps its state across filter instances): both tuners' front ends and LNB control, the
// DiSEqC bus, the stored single-cable configurations, the CAM in the one CI slot, the CI
// routing mode, stream overruns and the faults a test has injected.
//
// A card that is gone (Unplug, or the configuration's unplug point) answers as the Linux
// backend does once dvb-core has unregistered the adapter: tunes, DiSEqC messages and spectrum
// steps fail with HRESULT_ERROR_DEVICE_NOT_CONNECTED (its ENODEV), the meters read 0 and the
// streams end. The stored single-cable settings are the driver's own and stay readable.
//
// Thread-safe: the user-interface thread, graph workers and streaming threads call it at once.
// Tuner numbers are 1 and 2.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <span>
#include <utility>
#include <vector>

#include "card/Cam.h"
#include "card/CardConfig.h"
#include "card/DiseqcBus.h"
#include "card/FaultTable.h"
#include "card/SignalModel.h"
#include "card/Unicable.h"
#include "cardkit/TuningSettings.h"

namespace card {

// A tuner as a test sees it.
struct TunerStatus {
    LnbState lnb;
    double tunedIfMHz = 0;  // where the front end is (the user band with single-cable on)
    const Transponder* locked = nullptr;
    ScifConfig scif;
    std::uint32_t ciMode = 1;
};

class SimulatedCard {
public:
    explicit SimulatedCard(CardConfig config);
    SimulatedCard(const SimulatedCard&) = delete;
    SimulatedCard& operator=(const SimulatedCard&) = delete;

    const CardConfig& Config() const { return m_config; }
    // Position of the RF tuner node in the tuner's node-type list: the node id of its requests.
    std::uint32_t ControlNodeId(int tuner) const;

    // What each tuner's driver carries out (see cardkit::TunerDriver; the filter shells have
    // checked every request): LNB control (DiSEqC or single-cable) and the front end.
    HRESULT CommitTune(int tuner, const cardkit::TuningSettings& settings);
    HRESULT SendDiseqc(int tuner, std::span<const std::uint8_t> message);
    HRESULT MeasureSpectrumStep(int tuner, std::uint32_t frequencyHz, std::uint32_t settle);
    void SetScif(int tuner, const ScifConfig& config);
    ScifConfig Scif(int tuner) const;
    // 100000 minus the level in thousandths of a dB at the front end's frequency.
    std::int32_t SignalStrength(int tuner);
    // Percent; 0 when not locked.
    std::int32_t SignalQuality(int tuner);
    // The system of the carrier the tuner has locked; not set when none.
    ::DvbsSystem LockedSystem(int tuner) const;

    // What each tuner's CI driver carries out (see cardkit::CiDriver): the CI routing mode of
    // each tuner, and `use` on the one CAM under the card's lock.
    void SetCiMode(int tuner, std::uint32_t mode);
    HRESULT WithCam(const std::function<HRESULT(Cam& cam)>& use);

    // Streaming side.
    struct Reception {
        const Transponder* transponder = nullptr;  // none while not locked
        std::uint64_t generation = 0;              // changes with every tune or step
    };
    Reception CurrentReception(int tuner) const;
    // Whether the CI path of the tuner hands scrambled services to the CAM and gets them back
    // in the clear.
    bool Descrambles(int tuner) const;
    void AddOverruns(int tuner, std::uint64_t packets);
    std::uint64_t Overruns(int tuner) const;

    // For tests.
    std::vector<BusMessage> BusLog() const;
    TunerStatus Status(int tuner) const;
    std::uint32_t CamRestarts() const;
    FaultTable& Faults() { return m_faults; }
    // The card goes away for good, as if pulled out.
    void Unplug();
    // A stream fault: transport stream `tsid` comes without the packets of `pid` (null packets
    // in their place), as from a multiplexer that lost a table. Holds for tunes made after it.
    void WithholdPid(std::uint16_t tsid, std::uint16_t pid);
    std::vector<std::uint16_t> WithheldPids(std::uint16_t tsid) const;

private:
    struct Tuner {
        cardkit::TuningSettings settings;  // as last committed
        LnbState lnb;
        LnbState receivedLnb;      // what reaches the demodulator (the router's bank with SCIF)
        double tunedIfMHz = 0;     // front-end frequency
        double receivedIfMHz = 0;  // LNB frequency whose signal the front end receives
        const Transponder* locked = nullptr;
        std::uint64_t generation = 0;
        bool probing = false;  // a spectrum step moved the front end
        double probeIfMHz = 0;
        ScifConfig scif;
        std::uint32_t ciMode = 1;  // MTD until the program chooses
    };

    Tuner& At(int tuner) { return m_tuners[static_cast<std::size_t>(tuner - 1)]; }
    const Tuner& At(int tuner) const { return m_tuners[static_cast<std::size_t>(tuner - 1)]; }
    // The stream that the tuner's front end and demodulator receive where they stand, if any.
    const Transponder* Received(const Tuner& t) const;
    void Log(int tuner, std::vector<std::uint8_t> bytes);
    // Whether the single-cable router obeys a channel change sent with `scif`'s PIN.
    bool RouterHears(const ScifConfig& scif) const;
    double Noise(double sigmaDb);
    // Under m_mutex, as a tune or spectrum step arrives: counts it against the unplug point and
    // says whether the card is gone for it.
    bool GoneAt(UnplugPoint::Request request);

    const CardConfig m_config;
    const SignalModel m_model;
    FaultTable m_faults;
    mutable std::mutex m_mutex;  // guards everything below
    std::array<Tuner, 2> m_tuners;
    std::vector<BusMessage> m_busLog;
    Cam m_cam;
    int m_singleTransponderTuner = 0;  // the tuner whose CI path the CAM serves in mode 2
    std::mt19937 m_random;
    std::array<std::atomic<std::uint64_t>, 2> m_overruns{};
    bool m_gone = false;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> m_withheld;  // (tsid, pid)
    std::uint32_t m_requestsToUnplug = 0;  // of the unplug point's kind, so far
};

}  // namespace card
