// One tuner's filter graph: the network provider and tuning objects, the card's tuner, capture
// and CI filters, the demultiplexer (and in the recording variant a tee and a file writer), the
// driver control interfaces, and a worker thread that tunes, sends DiSEqC and sweeps.
//
// Threads: the object is built, used and torn down on the user-interface thread. Its worker is
// the only other thread that touches it. m_lock guards the command slot (m_command and the
// pending values); the fields the worker reads without the lock are atomics or are set before
// the worker can act on them (it acts only on a command taken under the lock, and commands are
// refused until m_ready is set).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/BdaInterfaces.h"
#include "platform/FilterGraphInterfaces.h"
#include "platform/KsInterfaces.h"
#include "platform/Threads.h"
#include "platform/TuningInterfaces.h"
#include "tuner/TuneParameters.h"

// Construction flags; only the low 8 bits are read.
inline constexpr std::uint32_t GraphFlagRecord = 0x01;
inline constexpr std::uint32_t GraphFlagCiBypass = 0x10;
inline constexpr std::uint32_t GraphFlagCiSingleTransponder = 0x20;

// Pending command of the slot.
enum : std::uint32_t {
    kCommandNone = 0,
    kCommandStop = 1,
    kCommandTune = 2,
    kCommandDiseqc = 3,
    kCommandSweep = 4,
};

inline constexpr std::uint32_t kNoNotifyThread = 0xFFFFFFFFu;  // m_notifyThreadId: post nothing
inline constexpr std::size_t kCamNameSize = 256;
inline constexpr std::size_t kMmiTextSize = 2048;

class TunerGraph {
public:
    // Always yields an object; whether the graph is usable is m_ready.
    TunerGraph(std::int32_t tunerNumber, std::uint32_t flags);
    // Stops and joins the worker, dismantles the graph and releases everything, whatever step
    // construction reached.
    ~TunerGraph();
    TunerGraph(const TunerGraph&) = delete;
    TunerGraph& operator=(const TunerGraph&) = delete;

    // Recording and the CAM name.
    HRESULT SetRecordFile(const std::u16string& path);
    HRESULT GetCamName(std::array<std::uint8_t, kCamNameSize>& buffer);

    // Requests to the worker (user-interface thread): 0 when queued, 1 when refused.
    std::int32_t RequestTune(const TuneParameters& parameters);
    std::int32_t RequestDiseqc(std::int32_t length, const std::uint8_t* bytes);
    std::int32_t RequestSpectrumSweep();

    // Single-cable configuration, read and written directly on the calling thread. `protocol`
    // is kScifEn50494 or kScifEn50607 (tuner/driver/ScifConfig.h); GetScif leaves it as the
    // caller set it when nothing came back, like the other outputs.
    HRESULT SetScif(std::uint8_t index, std::uint32_t frequencyMHz, std::uint32_t pin,
                    std::uint32_t protocol = 0);
    HRESULT ClearScif();
    HRESULT GetScif(std::uint8_t* index, std::uint32_t* frequencyMHz, std::uint32_t* pin,
                    std::uint32_t* protocol = nullptr);

    // CI and CAM (user-interface thread).
    HRESULT CamReset();
    HRESULT MmiOpen();
    HRESULT MmiClose();
    // Copies the object's header words and, when the text length is not 0, its text (at most
    // kMmiTextSize bytes) into `text`.
    HRESULT MmiGet(std::uint32_t* objectId, std::uint32_t* type, std::uint32_t* count,
                   std::uint32_t* textLength, std::uint8_t* text);
    HRESULT MmiAnswerMenu(std::uint32_t objectId, std::uint32_t choice);
    HRESULT MmiAnswerEnquiry(std::uint32_t objectId, const std::uint8_t* answer, std::uint32_t n);

    // Fields, in declaration order.
    std::atomic<std::uint8_t> m_ready{0};
    std::atomic<std::uint32_t> m_notifyThreadId{kNoNotifyThread};
    std::atomic<std::int32_t> m_tunerNumber{0};
    std::uint8_t m_genericProvider = 0;
    std::uint8_t m_recording = 0;
    std::uint32_t m_ciMode = 1;
    std::shared_ptr<IGraphBuilder> m_graph;
    std::shared_ptr<ICaptureGraphBuilder2> m_captureBuilder;
    std::uint32_t m_rotCookie = 0;
    std::shared_ptr<IMediaControl> m_mediaControl;
    std::shared_ptr<IMediaEvent> m_mediaEvent;
    std::shared_ptr<IDVBSTuningSpace> m_tuningSpace;
    std::shared_ptr<IDVBSLocator> m_locator;
    std::shared_ptr<IDVBSLocator2> m_locator2;
    std::shared_ptr<ITuner> m_tuner;
    std::shared_ptr<IBaseFilter> m_networkProvider;
    std::shared_ptr<IBaseFilter> m_demux;
    std::shared_ptr<IBaseFilter> m_tunerFilter;
    std::shared_ptr<IBaseFilter> m_captureFilter;
    std::shared_ptr<IBaseFilter> m_tee;
    std::shared_ptr<IBaseFilter> m_ciFilter;
    std::shared_ptr<IBaseFilter> m_writer;
    std::atomic<std::shared_ptr<IBDA_SignalStatistics>> m_signalStatistics;
    std::shared_ptr<IBDA_FrequencyFilter> m_frequencyFilter;
    std::shared_ptr<IKsControl> m_tunerControl;
    std::int32_t m_controlNode = -1;
    std::thread m_thread;
    std::unique_ptr<AutoResetEvent> m_wakeEvent;
    std::unique_ptr<std::mutex> m_lock;
    TuneParameters m_pendingTune;
    std::array<std::uint8_t, 8> m_pendingDiseqc{};
    std::uint32_t m_pendingDiseqcLength = 0;
    // Sweep requests placed in the slot since the worker last took a command (guarded by
    // m_lock). Every one of them that a later command replaced still owes the spectrum store its
    // end mark, which the worker posts as soon as it takes that command.
    std::uint32_t m_queuedSweeps = 0;
    std::atomic<std::uint32_t> m_command{kCommandNone};
    // Set by the worker once the card's driver answers a tune or a spectrum step with
    // HRESULT_ERROR_DEVICE_NOT_CONNECTED: the card went away and this graph cannot get it back.
    // A sweep ends at that step. Read on any thread.
    std::atomic<bool> m_cardGone{false};

private:
    // Construction steps 2 to 13, up to the first mandatory step that fails; may throw.
    void BuildChain(std::int32_t tunerNumber);
    // Construction steps, each returning a result code.
    HRESULT ConnectFilters(const std::shared_ptr<IBaseFilter>& upstream,
                           const std::shared_ptr<IBaseFilter>& downstream);
    HRESULT AddNetworkProvider();
    HRESULT AddTunerFilter(std::int32_t tunerNumber);
    HRESULT AddCaptureFilter();
    HRESULT AddCiFilter();
    HRESULT AddTee(const std::shared_ptr<IBaseFilter>& upstream);
    HRESULT AddDemux(const std::shared_ptr<IBaseFilter>& upstream);
    HRESULT AddWriter(const std::shared_ptr<IBaseFilter>& upstream);
    HRESULT RenderDemuxPins();
    HRESULT FindTunerControls();
    HRESULT RegisterGraph();

    // The worker and what it runs.
    void WorkerMain();
    // One command taken from the slot (kCommandNone: an idle pass). A command that throws has
    // failed; the worker goes on.
    void CarryOut(std::uint32_t command, const TuneParameters& tune,
                  const std::array<std::uint8_t, 8>& diseqc, std::uint32_t diseqcLength) noexcept;
    // Posts a report to `threadId` with wParam m_tunerNumber. One the receiver has no memory to
    // take is lost; the worker goes on.
    void Post(std::uint32_t threadId, std::uint32_t message, MessagePayload payload) noexcept;
    HRESULT Tune(const TuneParameters& parameters);
    void RunGraphIfStopped();
    void PostSignalStatus();
    HRESULT SendDiseqc(std::uint32_t length, const std::uint8_t* bytes);
    void RunSpectrumSweep();
    // Under m_lock, as the worker takes `command` (or the stop): how many queued sweeps it
    // replaced, which the worker then ends with PostSweepEnd, one each.
    std::uint32_t TakeReplacedSweeps(std::uint32_t command);
    void PostSweepEnd();
    HRESULT MeasureSpectrumStep(std::uint32_t frequencyHz, std::uint32_t settle);
    // Notes in m_cardGone a driver's answer that the card is gone; true when it was one.
    bool NoteCardGone(HRESULT driverResult);

    // Tuner-side driver requests (KSP_NODE on m_tunerControl).
    HRESULT SetDiseqcEnable(bool on);
    HRESULT SetDiseqcLnbSource(std::uint32_t source);
};

// The application's two graph slots: index 0 is tuner 1, index 1 tuner 2; empty when none.
using TunerGraphSlots = std::array<std::unique_ptr<TunerGraph>, 2>;
