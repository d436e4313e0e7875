// Tuning: one DVB-S tune request built from the graph's own tuning space and locator and
// submitted to the network provider.
#include "tuner/TunerGraph.h"

HRESULT TunerGraph::Tune(const TuneParameters& parameters) {
    if (!m_tuningSpace) return E_FAIL;
    std::shared_ptr<ITuneRequest> request;
    HRESULT hr = m_tuningSpace->CreateTuneRequest(&request);
    if (FAILED(hr)) return hr;
    // Without the DVB request's ids nothing is changed: no DiSEqC switch, no submission.
    std::shared_ptr<IDVBTuneRequest> dvbRequest;
    hr = query(request, dvbRequest);
    if (FAILED(hr)) return hr;

    // The DVB-S provider knows nothing of LNB sources: the driver's DiSEqC properties switch it.
    if (m_genericProvider == 0) {
        if (parameters.lnbSource > 0) {
            SetDiseqcEnable(true);
            SetDiseqcLnbSource(parameters.lnbSource);
        } else {
            SetDiseqcEnable(false);
        }
    }

    dvbRequest->put_ONID(parameters.onid);
    dvbRequest->put_TSID(parameters.tsid);
    dvbRequest->put_SID(parameters.sid);

    // The request keeps a reference to the graph's own locator, which is reused tune to tune.
    std::shared_ptr<IDVBSLocator> locator;
    if (m_genericProvider == 1) {
        locator = m_locator2;
        dvbRequest->put_Locator(m_locator2);
        if (parameters.lnbSource > 0) {
            m_locator2->put_DiseqLNBSource(static_cast<LNB_Source>(parameters.lnbSource));
        }
    } else {
        locator = m_locator;
        dvbRequest->put_Locator(m_locator);
    }
    locator->put_CarrierFrequency(static_cast<std::int32_t>(parameters.frequencyKHz));
    locator->put_SymbolRate(parameters.symbolRate);
    locator->put_SignalPolarisation(static_cast<Polarisation>(parameters.polarisation));
    // Every tune sets them, so a channel without them never keeps the last one's stream.
    if (const auto stream = query<IDVBSStreamLocator>(locator)) {
        stream->put_SignalSystem(static_cast<DvbsSystem>(parameters.system));
        stream->put_InputStreamId(parameters.inputStreamId);
        stream->put_PlsCode(parameters.plsCode);
    }

    return m_tuner->put_TuneRequest(request);
}
