// The network providers (CLSID_NetworkProvider, the generic one, and CLSID_DVBSNetworkProvider):
// a filter with one output pin, which connects to a tuner filter, and ITuner, which programs
// that tuner from a tune request.
//
// put_TuneRequest walks the tuner's control nodes between StartChanges and CommitChanges and
// gives each node what it takes: the tuning space's oscillators and band switch, the carrier
// frequency (kHz) and polarisation, the symbol rate, the locator's system, input stream and
// scrambling code, and (generic provider only) its DiSEqC LNB source. A request whose locator
// has no carrier frequency programs nothing and succeeds, so a provider accepts an empty
// request before any tuner is connected. Otherwise it fails with E_FAIL without a connected
// tuner that has a topology, with E_NOTIMPL (before any change) when the request names an input
// stream or a scrambling code and no node of the tuner selects streams, or with the tuner's own
// code when the tuner refuses a setting or the commit. Thread-safe; one tune at a time.
#pragma once

#include <mutex>

#include "platform/FilterBase.h"
#include "platform/TuningInterfaces.h"

class NetworkProvider : public FilterBase, public ITuner {
public:
    enum class Kind { Generic, Dvbs };
    explicit NetworkProvider(Kind kind);

    HRESULT put_TuneRequest(const std::shared_ptr<ITuneRequest>& request) override;

private:
    struct Settings;
    std::shared_ptr<IBaseFilter> ConnectedTuner() const;
    HRESULT ProgramTuner(const std::shared_ptr<IBaseFilter>& tuner, const Settings& settings);
    HRESULT ProgramNode(const std::shared_ptr<IUnknown>& node, const Settings& settings);

    const Kind m_kind;
    std::shared_ptr<PinBase> m_output;
    std::mutex m_tuneMutex;
};
