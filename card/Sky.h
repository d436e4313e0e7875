// What the dish sees: up to four satellites behind DiSEqC positions 1..4, each with its
// transponders and the services they carry.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace card {

enum class LinearPolarisation : std::uint8_t { Horizontal, Vertical };

// DVB-S carries QPSK with roll-off 0.35; DVB-S2 carries QPSK or 8PSK with roll-off 0.35, 0.25
// or 0.20.
enum class Modulation : std::uint8_t { DvbsQpsk, Dvbs2Qpsk, Dvbs2Psk8 };

struct Service {
    std::uint16_t sid = 0;
    std::string name;  // UTF-8
    bool radio = false;
    bool hd = false;
    bool scrambled = false;
};

struct Transponder {
    std::uint32_t frequencyMHz = 0;  // downlink, as the channel lists give it
    LinearPolarisation polarisation = LinearPolarisation::Horizontal;
    std::uint32_t symbolRate = 0;  // ksymbol/s
    Modulation modulation = Modulation::DvbsQpsk;
    std::uint8_t codeRateNumerator = 3;
    std::uint8_t codeRateDenominator = 4;
    double rollOff = 0.35;  // of the raised-cosine spectrum
    double powerDb = 65.0;  // level at the LNB output before the cable, dB on the card's scale
    std::uint16_t onid = 0;
    std::uint16_t tsid = 0;
    std::vector<Service> services;
    // On a DVB-S2 multistream carrier: this transport stream's input stream id (0-255), else -1;
    // and the gold code that scrambles its physical layer (0, the default sequence, on most).
    std::int32_t inputStreamId = -1;
    std::uint32_t plsCode = 0;
    // The carrier's further input streams, each a transport stream of its own with this one's
    // frequency, polarisation, symbol rate, modulation and power; empty on a single stream.
    std::vector<Transponder> otherStreams;
};

inline constexpr std::uint32_t kMaxPlsGoldCode = 262143;

struct Satellite {
    std::string name;     // provider name in the service descriptions
    std::string network;  // network name in the NIT; empty: the satellite's name
    // Orbital position in tenths of a degree, east positive (192 for 19.2E, -300 for 30.0W).
    std::int16_t orbitalTenths = 0;
    std::vector<Transponder> transponders;
};

// Index 0 is DiSEqC position 1 (LNB source A).
struct Sky {
    std::array<Satellite, 4> positions;
};

// The sky the card ships with: the full transponder plans of four satellites (card/sky/), on
// which every channel of the example lists lies.
Sky DefaultSky();

// Useful transport-stream bit rate in bit/s from symbol rate, modulation and code rate.
double UsefulBitRate(const Transponder& transponder);

}  // namespace card
