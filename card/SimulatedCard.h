// The driver's state for the whole card, shared by every filter object it hands out (a driver
// keeps its state across filter instances): both tuners' front ends and LNB control, the
// DiSEqC bus, the stored single-cable configurations, the CAM in the one CI slot, the CI
// routing mode, stream overruns and the faults a test has injected.
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
#include <vector>

#include "card/Cam.h"
#include "card/CardConfig.h"
#include "card/DiseqcBus.h"
#include "card/FaultTable.h"
#include "cardkit/KsRequest.h"
#include "card/SignalModel.h"
#include "card/Unicable.h"
#include "platform/BdaInterfaces.h"

namespace card {

// What a network provider programs on a tuner's control nodes before it commits a tune.
struct TunerSettings {
    std::uint32_t lowOscillatorKHz = 9750000;
    std::uint32_t highOscillatorKHz = 10600000;
    std::uint32_t switchKHz = 11700000;
    std::uint32_t frequency = 0;  // in units of `multiplier` Hz
    std::uint32_t multiplier = 1000;
    ::Polarisation polarity = BDA_POLARISATION_NOT_SET;
    std::uint32_t symbolRate = 0;  // ksymbol/s
    bool diseqcEnabled = true;
    std::uint32_t lnbSource = 0;  // 1..4, 0 = none
};

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

    // Control nodes and device control.
    void EditSettings(int tuner, const std::function<void(TunerSettings&)>& edit);
    // Carries out the programmed tune: LNB control (DiSEqC or single-cable) and the front end.
    HRESULT CommitTune(int tuner);
    // 100000 minus the level in thousandths of a dB at the front end's frequency.
    std::int32_t SignalStrength(int tuner);
    // Percent; 0 when not locked.
    std::int32_t SignalQuality(int tuner);

    // Kernel-streaming requests (IKsControl of the tuner's input pin and of the CI filter).
    HRESULT TunerProperty(int tuner, const void* header, std::uint32_t headerLength, void* data,
                          std::uint32_t dataLength, std::uint32_t* bytesReturned);
    HRESULT CiProperty(int tuner, const void* header, std::uint32_t headerLength, void* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned);
    HRESULT CiMethod(int tuner, const void* header, std::uint32_t headerLength, void* data,
                     std::uint32_t dataLength, std::uint32_t* bytesReturned);

    // Streaming side.
    struct Reception {
        const Transponder* transponder = nullptr;  // none while not locked
        std::uint64_t generation = 0;               // changes with every tune or step
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

private:
    struct Tuner {
        TunerSettings settings;
        LnbState lnb;
        LnbState receivedLnb;     // what reaches the demodulator (the router's bank with SCIF)
        double tunedIfMHz = 0;     // front-end frequency
        double receivedIfMHz = 0;  // LNB frequency whose signal the front end receives
        const Transponder* locked = nullptr;
        std::uint64_t generation = 0;
        bool probing = false;  // a spectrum step moved the front end
        double probeIfMHz = 0;
        ScifConfig scif;
        std::uint32_t ciMode = 1;  // MTD until the program chooses
    };

    using Handler = std::function<HRESULT(const cardkit::KsRequest&, std::uint8_t* data,
                                          std::uint32_t dataLength, std::uint32_t* bytes)>;
    HRESULT Dispatch(int tuner, std::span<const cardkit::RequestRule> rules, std::uint32_t nodeId,
                     const void* header, std::uint32_t headerLength, void* data,
                     std::uint32_t dataLength, std::uint32_t* bytesReturned,
                     const Handler& handler);

    // Request handlers (TunerRequests.cpp, CiRequests.cpp).
    HRESULT HandleTunerRequest(int tuner, const cardkit::KsRequest& request, std::uint8_t* data,
                               std::uint32_t* bytes);
    HRESULT SendDiseqc(int tuner, const std::uint8_t* data);
    HRESULT SpectrumStep(int tuner, const std::uint8_t* data);
    HRESULT HandleCiProperty(int tuner, const cardkit::KsRequest& request, std::uint8_t* data,
                             std::uint32_t* bytes);
    HRESULT HandleCiMethod(const cardkit::KsRequest& request, std::uint8_t* data,
                           std::uint32_t dataLength, std::uint32_t* bytes);

    Tuner& At(int tuner) { return m_tuners[static_cast<std::size_t>(tuner - 1)]; }
    const Tuner& At(int tuner) const { return m_tuners[static_cast<std::size_t>(tuner - 1)]; }
    void Log(int tuner, std::vector<std::uint8_t> bytes);
    double Noise(double sigmaDb);

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
};

}  // namespace card
