// A capture (receiver) filter as every driver of the card presents it: its input pairs only
// with its own tuner's output (by the link medium); while the graph runs, its stream source
// delivers the tuner's transport stream from its output pin, which leads on to the tuner's CI
// filter.
#pragma once

#include <memory>
#include <mutex>

#include "cardkit/StreamSource.h"
#include "platform/FilterBase.h"

namespace cardkit {

class CaptureFilterShell : public FilterBase {
public:
    // The source belongs to this filter object; `tuner` is 1, 2, ...
    CaptureFilterShell(int tuner, std::unique_ptr<StreamSource> source);
    ~CaptureFilterShell() override;

protected:
    void OnRun() override;
    void OnStop() override;

private:
    const std::unique_ptr<StreamSource> m_source;
    std::shared_ptr<PinBase> m_output;
    std::mutex m_mutex;  // run and stop may come from different threads
    bool m_running = false;
};

}  // namespace cardkit
