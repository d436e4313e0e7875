// A satellite's transponder plan as text, the way satellite operators publish theirs: one CSV
// line per transponder, each followed by the lines of the services it carries.
//
//   satellite,NAME
//   position,POSITION          (optional)
//   network,NETWORK            (optional)
//   transponder,FREQ,POL,SR,SYSTEM,MODULATION,FEC,ROLLOFF,POWER,ONID,TSID
//   service,SID,NAME,KIND
//   stream,ISI,PLS,ONID,TSID
//
// POSITION is the orbital position, degrees to a tenth east or west, e.g. 19.2E or 30.0W (0.0E
// when the plan gives none); NETWORK the network name its NIT gives (the satellite's name when
// the plan gives none); either comes once, anywhere after the satellite line.
// FREQ is the downlink in MHz (10700-12750), POL H or V, SR in ksymbol/s (1000-45000), SYSTEM
// DVB-S (QPSK, roll-off 0.35) or DVB-S2 (QPSK or 8PSK, roll-off 0.35, 0.25 or 0.20), FEC a code
// rate of that system and modulation, POWER the level at the LNB output in dB on the card's
// 30-80 dB scale. KIND is tv, hd or radio, with "hd" after radio for a radio service described
// as HD and "scrambled" for a service only a CAM clears, e.g. "hd scrambled". A field holding a
// comma is quoted ("..." with "" for a quote); names are UTF-8. Blank lines and lines beginning
// with # are comments.
//
// Stream lines split a DVB-S2 carrier into input streams (multistream): each starts one, with
// its input stream id ISI (0-255, one per stream of the carrier), the gold code PLS (0-262143)
// that scrambles it, its own ids and the services that follow it. The first stream takes the
// place of the transponder line's ids, so it must follow that line directly.
//
// Pure; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "card/Sky.h"

namespace card {

// The satellite a plan describes, or nothing with `error` naming the first wrong line and why,
// e.g. "line 12: symbol rate 60000 out of range".
std::optional<Satellite> ReadSatellitePlan(std::string_view text, std::string& error);

}  // namespace card
