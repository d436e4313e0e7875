// The tuning model: a DVB-S tuning space with its LNB oscillators, locators, tune requests, and
// the network provider's ITuner that turns a request into the tuner filter's settings.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/BdaInterfaces.h"
#include "platform/Unknown.h"

struct ITuneRequest;

struct ITuningSpace : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{061C6E30-E622-11D2-9493-00C04F72D980}");
    virtual HRESULT put__NetworkType(const GUID& networkType) = 0;
    virtual HRESULT get__NetworkType(GUID* networkType) = 0;
    virtual HRESULT CreateTuneRequest(std::shared_ptr<ITuneRequest>* request) = 0;
};

struct IDVBSTuningSpace : ITuningSpace {
    static constexpr IID iid = MakeGuid("{CDF7BE60-D954-42FD-A972-78971958E470}");
    // Oscillators and switch frequency in kHz; -1 when not set.
    virtual HRESULT put_LowOscillator(std::int32_t frequencyKHz) = 0;
    virtual HRESULT put_HighOscillator(std::int32_t frequencyKHz) = 0;
    virtual HRESULT put_LNBSwitch(std::int32_t frequencyKHz) = 0;
    virtual HRESULT get_LowOscillator(std::int32_t* frequencyKHz) = 0;
    virtual HRESULT get_HighOscillator(std::int32_t* frequencyKHz) = 0;
    virtual HRESULT get_LNBSwitch(std::int32_t* frequencyKHz) = 0;
};

struct ILocator : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{286D7F89-760C-4F89-80C4-66841D2507AA}");
    // Carrier frequency in kHz and symbol rate in ksymbol/s; -1 when not set.
    virtual HRESULT put_CarrierFrequency(std::int32_t frequencyKHz) = 0;
    virtual HRESULT get_CarrierFrequency(std::int32_t* frequencyKHz) = 0;
    virtual HRESULT put_SymbolRate(std::int32_t symbolRate) = 0;
    virtual HRESULT get_SymbolRate(std::int32_t* symbolRate) = 0;
};

struct IDVBSLocator : ILocator {
    static constexpr IID iid = MakeGuid("{3D7C353C-0D04-45F1-A742-F97CC1188DC8}");
    virtual HRESULT put_SignalPolarisation(Polarisation polarisation) = 0;
    virtual HRESULT get_SignalPolarisation(Polarisation* polarisation) = 0;
};

struct IDVBSLocator2 : IDVBSLocator {
    static constexpr IID iid = MakeGuid("{6044634A-1733-4F99-B982-5FB12AFCE4F0}");
    virtual HRESULT put_DiseqLNBSource(LNB_Source source) = 0;
    virtual HRESULT get_DiseqLNBSource(LNB_Source* source) = 0;
};

// What a DVB-S locator says of a DVB-S2 carrier beyond where it is: its system and the input
// stream to take from it with that stream's scrambling code (see IBDA_StreamSelection for the
// values; all "not set" until given).
struct IDVBSStreamLocator : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{3EAF2C52-71D4-4130-9AA1-B473A576FED3}");
    virtual HRESULT put_SignalSystem(DvbsSystem system) = 0;
    virtual HRESULT get_SignalSystem(DvbsSystem* system) = 0;
    virtual HRESULT put_InputStreamId(std::int32_t streamId) = 0;
    virtual HRESULT get_InputStreamId(std::int32_t* streamId) = 0;
    virtual HRESULT put_PlsCode(std::int32_t goldCode) = 0;
    virtual HRESULT get_PlsCode(std::int32_t* goldCode) = 0;
};

struct ITuneRequest : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{07DDC146-FC3D-11D2-9D8C-00C04F72D980}");
    virtual HRESULT get_TuningSpace(std::shared_ptr<ITuningSpace>* space) = 0;
    // The request holds a reference to the locator, not a copy.
    virtual HRESULT put_Locator(const std::shared_ptr<ILocator>& locator) = 0;
    virtual HRESULT get_Locator(std::shared_ptr<ILocator>* locator) = 0;
};

struct IDVBTuneRequest : ITuneRequest {
    static constexpr IID iid = MakeGuid("{0D6F567E-A636-42BB-83BA-CE4C1704AFA2}");
    virtual HRESULT put_ONID(std::int32_t onid) = 0;
    virtual HRESULT put_TSID(std::int32_t tsid) = 0;
    virtual HRESULT put_SID(std::int32_t sid) = 0;
    virtual HRESULT get_ONID(std::int32_t* onid) = 0;
    virtual HRESULT get_TSID(std::int32_t* tsid) = 0;
    virtual HRESULT get_SID(std::int32_t* sid) = 0;
};

struct ITuner : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{28C52640-018A-11D3-9D8E-00C04F72D980}");
    virtual HRESULT put_TuneRequest(const std::shared_ptr<ITuneRequest>& request) = 0;
};
