// The card's capture (receiver) filter for one tuner: its input pairs only with its own
// tuner's output; while the graph runs and the tuner is locked, its own thread delivers the
// tuned transponder's transport stream from its output pin.
#pragma once

#include <memory>
#include <mutex>

#include "card/SimulatedCard.h"
#include "platform/FilterBase.h"

namespace card {

class StreamPump;

class CaptureFilter : public FilterBase {
public:
    CaptureFilter(std::shared_ptr<SimulatedCard> card, int tuner);
    ~CaptureFilter() override;

protected:
    void OnRun() override;
    void OnStop() override;

private:
    const std::shared_ptr<SimulatedCard> m_card;
    const int m_tuner;
    std::shared_ptr<PinBase> m_output;
    std::mutex m_pumpMutex;  // run and stop may come from different threads
    std::unique_ptr<StreamPump> m_pump;
};

}  // namespace card
