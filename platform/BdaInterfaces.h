// Broadcast-driver (BDA) interfaces of a tuner filter: its topology, the control nodes that a
// network provider programs, and the signal statistics that the program reads.
//
// Frequencies are in kHz (the frequency multiplier is 1000 Hz), symbol rates in ksymbol/s.
// All of these may be called from the user-interface thread and from a graph's worker; an
// implementation must accept concurrent calls.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Unknown.h"

enum Polarisation : std::int32_t {
    BDA_POLARISATION_NOT_SET = -1,
    BDA_POLARISATION_NOT_DEFINED = 0,
    BDA_POLARISATION_LINEAR_H = 1,
    BDA_POLARISATION_LINEAR_V = 2,
    BDA_POLARISATION_CIRCULAR_L = 3,
    BDA_POLARISATION_CIRCULAR_R = 4,
};

enum LNB_Source : std::int32_t {
    BDA_LNB_SOURCE_NOT_SET = -1,
    BDA_LNB_SOURCE_NOT_DEFINED = 0,
    BDA_LNB_SOURCE_A = 1,
    BDA_LNB_SOURCE_B = 2,
    BDA_LNB_SOURCE_C = 3,
    BDA_LNB_SOURCE_D = 4,
};

// The transmission system of a satellite carrier, when the channel names it; without one the
// tuner tries both.
enum DvbsSystem : std::int32_t {
    DVBS_SYSTEM_NOT_SET = -1,
    DVBS_SYSTEM_DVBS = 1,
    DVBS_SYSTEM_DVBS2 = 2,
};

// A DVB-S2 input stream id (0-255) or physical-layer scrambling gold code (0-262143) not given:
// the demodulator takes the carrier's single or first stream, unscrambled by a code.
inline constexpr std::int32_t kInputStreamNotSet = -1;
inline constexpr std::int32_t kPlsCodeNotSet = -1;
inline constexpr std::int32_t kMaxInputStreamIdValue = 255;
inline constexpr std::int32_t kMaxPlsCodeValue = 262143;

struct IBDA_PinControl : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{0DED49D5-A8B7-4D5D-97A1-12B0C195874D}");
    virtual HRESULT GetPinID(std::uint32_t* pinId) = 0;
};

struct IBDA_Topology : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{79B56888-7FEA-4690-B45D-38FD3C7849BE}");
    // Fills at most `maxNodeTypes` entries of `nodeTypes` and reports how many there are.
    virtual HRESULT GetNodeTypes(std::uint32_t* nodeTypeCount, std::uint32_t maxNodeTypes,
                                 std::uint32_t* nodeTypes) = 0;
    // The control object of a node type on the path from an input to an output pin.
    virtual HRESULT GetControlNode(std::uint32_t inputPinId, std::uint32_t outputPinId,
                                   std::uint32_t nodeType,
                                   std::shared_ptr<IUnknown>* controlNode) = 0;
};

// Batches the changes of one tune: StartChanges, the put_ calls, then CommitChanges.
struct IBDA_DeviceControl : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{FD0A5AF3-B41D-11D2-9C95-00C04F7971E0}");
    virtual HRESULT StartChanges() = 0;
    virtual HRESULT CheckChanges() = 0;
    virtual HRESULT CommitChanges() = 0;
};

struct IBDA_FrequencyFilter : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{71985F47-1CA1-11D3-9CC8-00C04F7971E0}");
    virtual HRESULT put_Frequency(std::uint32_t frequency) = 0;  // in frequency-multiplier units
    virtual HRESULT put_Polarity(Polarisation polarity) = 0;
    virtual HRESULT put_Range(std::uint64_t range) = 0;
    virtual HRESULT put_Bandwidth(std::uint32_t bandwidth) = 0;
    virtual HRESULT put_FrequencyMultiplier(std::uint32_t multiplier) = 0;  // 1000: kHz
};

struct IBDA_LNBInfo : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{992CF102-49F9-4719-A664-C4F23E2408F4}");
    virtual HRESULT put_LocalOscilatorFrequencyLowBand(std::uint32_t frequencyKHz) = 0;
    virtual HRESULT put_LocalOscilatorFrequencyHighBand(std::uint32_t frequencyKHz) = 0;
    virtual HRESULT put_HighLowSwitchFrequency(std::uint32_t frequencyKHz) = 0;
};

struct IBDA_DigitalDemodulator : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{EF30F379-985B-4D10-B640-A79D5E04E1E0}");
    virtual HRESULT put_SymbolRate(std::uint32_t symbolRate) = 0;  // ksymbol/s
};

// The demodulator's choice of system and, on a DVB-S2 multistream carrier, of one input stream
// and the code that unscrambles its physical layer. A node that offers it takes all three on
// every tune, "not set" included, so that a tune never keeps the stream of the one before.
// Values out of their range: E_INVALIDARG. get_LockedSystem reads back the system the
// demodulator has locked (a tune that names none tries both): DVBS_SYSTEM_NOT_SET while
// nothing is locked or when the driver cannot tell.
struct IBDA_StreamSelection : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{676D0F4A-0063-41F6-A76C-4D01B14E611D}");
    virtual HRESULT put_SignalSystem(DvbsSystem system) = 0;
    virtual HRESULT put_InputStreamId(std::int32_t streamId) = 0;
    virtual HRESULT put_PlsCode(std::int32_t goldCode) = 0;
    virtual HRESULT get_LockedSystem(DvbsSystem* system) = 0;
};

// LNB source selection on the control node, as the generic network provider programs it.
struct IBDA_DiseqCommand : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{2A6D118E-218D-43A8-871C-3330F4505D79}");
    virtual HRESULT put_EnableDiseqCommands(bool enable) = 0;
    virtual HRESULT put_DiseqLNBSource(std::uint32_t lnbSource) = 0;
};

struct IBDA_SignalStatistics : virtual IUnknown {
    static constexpr IID iid = MakeGuid("{1347D106-CF3A-428A-A5CB-AC0D9A2A4338}");
    // Strength: 100000 minus it is the level in thousandths of a decibel. Quality: percent.
    virtual HRESULT get_SignalStrength(std::int32_t* strength) = 0;
    virtual HRESULT get_SignalQuality(std::int32_t* quality) = 0;
};
