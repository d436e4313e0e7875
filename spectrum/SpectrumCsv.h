// The spectrum CSV file: one column of levels per stored sweep, one line per frequency step.
// Plain ASCII with ";" between fields, a decimal comma and CR LF line ends, the layout the
// spreadsheets and scripts that read these files expect:
//
//   Freq. Mhz;Tuner 1;Tuner 2
//   950;45,3;44,8
//   ...
//   2150;38,0;
#pragma once

#include <QByteArray>
#include <cstdint>

class SpectrumStore;

// A level in decibels with one decimal, truncated: 45678 -> "45,6"; below 100 -> "0,0".
QByteArray FormatSpectrumLevel(std::int32_t level);

// The whole file for the sweeps the store holds.
QByteArray BuildSpectrumCsv(const SpectrumStore& store);
