// Follows a tune of a carrier chosen in the spectrum picture until the tuner's signal reports
// tell whether it locked, and words what the message pane says about it: the attempt, the lock,
// or that nothing locked after three reports without quality (about three seconds).
//
// A report counts only once the attempt is armed: the application arms it through its own event
// queue right after the request, so that a report of the tune before, already queued, is never
// taken for this one's. One attempt per tuner; a later tune or sweep of the tuner forgets it.
//
// User-interface thread only.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "tuner/TuneParameters.h"

class CarrierTuneWatch {
public:
    // Reports without quality after which nothing is said to have locked.
    static constexpr int kReportsBeforeGivingUp = 3;

    // Starts following `tune` of tuner 1 or 2; returns the attempt's number, which Arm takes.
    std::uint64_t Start(int tuner, const TuneParameters& tune);
    void Arm(int tuner, std::uint64_t attempt);
    void Forget(int tuner);
    // A signal report of tuner 1 or 2 (quality in percent): the line to show when it settles
    // the attempt.
    std::optional<QString> OnReport(int tuner, std::uint32_t quality);

    // The lines, for `tuner` and `tune` (frequency, polarisation, symbol rate and systems).
    static QString TryingText(int tuner, const TuneParameters& tune);
    static QString LockedText(int tuner, const TuneParameters& tune);
    static QString NothingLockedText(int tuner, const TuneParameters& tune);
    static QString RefusedText(int tuner, const TuneParameters& tune);

private:
    struct Attempt {
        TuneParameters tune;
        std::uint64_t number = 0;
        bool armed = false;
        int reportsWithoutLock = 0;
    };
    std::array<std::optional<Attempt>, 2> m_attempts;
    std::uint64_t m_lastNumber = 0;
};
