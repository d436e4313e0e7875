// The network provider and the DVB-S tuning objects. The generic provider is preferred; where
// the system lacks it the DVB-S provider takes its place, which needs an initial (empty) tune
// request before it programs the tuner and leaves the LNB source to the driver's DiSEqC set.
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "tuner/TunerGraph.h"
#include "tuner/UniversalLnb.h"

HRESULT TunerGraph::AddNetworkProvider() {
    m_genericProvider = 1;
    HRESULT hr = CoCreateInstance(CLSID_NetworkProvider, nullptr, CLSCTX_ALL, IBaseFilter::iid,
                                  &m_networkProvider);
    if (FAILED(hr)) {
        m_genericProvider = 0;
        hr = CoCreateInstance(CLSID_DVBSNetworkProvider, nullptr, CLSCTX_ALL, IBaseFilter::iid,
                              &m_networkProvider);
        if (FAILED(hr)) return hr;
    }

    if (!m_graph) return E_POINTER;
    hr = m_graph->AddFilter(m_networkProvider,
                            m_genericProvider ? u"W7 Network Provider" : u"DVBS Network Provider");
    if (FAILED(hr)) return hr;

    hr = CoCreateInstance(CLSID_DVBSTuningSpace, nullptr, CLSCTX_ALL, IDVBSTuningSpace::iid,
                          &m_tuningSpace);
    if (FAILED(hr)) return hr;
    // Both providers take DVB-S as the network type.
    hr = m_tuningSpace->put__NetworkType(CLSID_DVBSNetworkProvider);
    if (FAILED(hr)) return hr;
    m_tuningSpace->put_LowOscillator(kLowOscillatorKHz);
    m_tuningSpace->put_HighOscillator(kHighOscillatorKHz);
    m_tuningSpace->put_LNBSwitch(kLnbSwitchKHz);

    hr = m_genericProvider ? CoCreateInstance(CLSID_DVBSLocator, nullptr, CLSCTX_ALL,
                                              IDVBSLocator2::iid, &m_locator2)
                           : CoCreateInstance(CLSID_DVBSLocator, nullptr, CLSCTX_ALL,
                                              IDVBSLocator::iid, &m_locator);
    if (FAILED(hr)) return hr;

    hr = query(m_networkProvider, m_tuner);
    if (FAILED(hr) || m_genericProvider) return hr;

    std::shared_ptr<ITuneRequest> request;
    hr = m_tuningSpace->CreateTuneRequest(&request);
    if (FAILED(hr)) return hr;
    std::shared_ptr<IDVBTuneRequest> dvbRequest;
    hr = query(request, dvbRequest);
    if (FAILED(hr)) return hr;
    dvbRequest->put_Locator(m_locator);
    return m_tuner->put_TuneRequest(dvbRequest);
}
