// Follows a tune of a carrier chosen in the spectrum picture until the tuner's signal reports
// tell whether it locked, and words what the message pane says about it: the attempt, the lock
// with the system the driver locked, or that nothing locked; then, once the new stream's tables
// are read, its transport stream id and network name. A narrow carrier is tried at several
// symbol rates in turn, three reports without quality (about three seconds) each.
//
// A report counts only once the attempt is armed: the application arms it through its own event
// queue right after each request, so that a report of the tune before, already queued, is never
// taken for this one's. One attempt per tuner; a later tune or sweep of the tuner forgets it.
//
// User-interface thread only.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "scan/TableReader.h"
#include "tuner/TuneParameters.h"

class CarrierTuneWatch {
public:
    // Reports without quality after which a rate is given up.
    static constexpr int kReportsBeforeGivingUp = 3;
    // Reports after the lock within which the tables are waited for: a network sends its NIT at
    // least every 10 s.
    static constexpr int kReportsForTables = 12;

    // Starts following `carrier` (its estimated symbol rate in it) of tuner 1 or 2, tried at
    // `rates` (ksymbol/s, not empty) in turn; returns the attempt's number, which Arm takes. The
    // first request is FirstTune's.
    std::uint64_t Start(int tuner, const TuneParameters& carrier, std::vector<std::int32_t> rates);
    static TuneParameters FirstTune(const TuneParameters& carrier,
                                    const std::vector<std::int32_t>& rates);
    void Arm(int tuner, std::uint64_t attempt);
    void Forget(int tuner);

    // What a signal report asks of the application.
    struct Step {
        std::optional<QString> line;           // to show in the message pane
        std::optional<TuneParameters> retune;  // the next rate to request, then to Arm `attempt`
        std::uint64_t attempt = 0;
        bool locked = false;  // the lock was just seen: the tables are to be read from now on
    };
    // A signal report of tuner 1 or 2: quality in percent, and the system the driver says it
    // locked (DvbsSystem: 1 DVB-S, 2 DVB-S2, else not known).
    Step OnReport(int tuner, std::uint32_t quality, std::int32_t lockedSystem);
    // Whether the locked attempt of `tuner` waits for its stream's tables.
    bool AwaitsTables(int tuner) const;
    // The tables read so far since the lock, one call per report: the line to show when they
    // settle the attempt (whole, or kReportsForTables reports have passed).
    std::optional<QString> OnTables(int tuner, const scan::StreamTables& tables);

    // The lines, for `tuner` and `tune` (frequency, polarisation, symbol rate and systems); with
    // more than one of `rates`, the rates tried are named.
    static QString TryingText(int tuner, const TuneParameters& tune,
                              const std::vector<std::int32_t>& rates);
    static QString LockedText(int tuner, const TuneParameters& tune, std::int32_t lockedSystem);
    static QString NothingLockedText(int tuner, const TuneParameters& tune,
                                     const std::vector<std::int32_t>& rates);
    static QString RefusedText(int tuner, const TuneParameters& tune);
    // `networkName` UTF-8, empty when the NIT gave none.
    static QString TablesText(int tuner, const TuneParameters& tune, std::uint16_t tsid,
                              const std::string& networkName);
    static QString NoTablesText(int tuner, const TuneParameters& tune);

private:
    struct Attempt {
        TuneParameters carrier;           // at its estimated rate
        TuneParameters tune;              // at the rate requested now (or locked)
        std::vector<std::int32_t> rates;  // in the order tried
        std::size_t rate = 0;             // the one requested now
        std::uint64_t number = 0;
        bool armed = false;
        bool locked = false;
        int reports = 0;  // since the request without quality, or since the lock
    };
    std::optional<Attempt>& At(int tuner) {
        return m_attempts[static_cast<std::size_t>(tuner - 1)];
    }
    Step NextRate(std::optional<Attempt>& current, int tuner);

    std::array<std::optional<Attempt>, 2> m_attempts;
    std::uint64_t m_lastNumber = 0;
};
