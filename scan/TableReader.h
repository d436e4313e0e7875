// Reads the service tables of whatever a tuner graph is tuned to: the PAT, the SDT actual and
// the NIT actual, assembled from the graph's own packets (a PacketTap) and parsed with the
// program's parsers. It holds only the sections of those three tables.
//
// Threads: construct, Restart, Read and ReadNow on the thread that owns the graph (one at a
// time); the packets arrive on the graph's streaming thread, under the reader's lock. The reader
// may be destroyed before or after its graph: the tap holds the shared state, not the reader.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "scan/Nit.h"
#include "scan/Pat.h"
#include "scan/Sdt.h"

class TunerGraph;

namespace scan {

struct StreamTables {
    std::optional<Pat> pat;
    std::optional<Sdt> sdt;
    std::optional<Nit> nit;
};

class TableReader {
public:
    // Attaches to `graph` (before it first runs); null when the graph has no free stream output.
    static std::unique_ptr<TableReader> Attach(TunerGraph& graph);

    // Forgets every section read so far and reads from now on: call after a tune has been
    // carried out.
    void Restart();
    // Forgets every section read so far and passes over the packets until the next Restart.
    void Pause();
    // What the scanner already knows of a transport stream: nothing, where it is sent (so its
    // NIT need not be read again), or that it is sent elsewhere than the tuner is tuned: then
    // what was read came from the stream before the tune, still in flight, and is read again.
    enum class Stream { Unknown, Known, Elsewhere };

    // Waits until the PAT, the SDT of the PAT's stream and the NIT are whole (the NIT not for a
    // Known stream), `wait` has passed or `stop` says so, polling `stop` at least every 20 ms;
    // gives what is whole by then (an SDT only for the PAT's stream).
    StreamTables Read(std::chrono::milliseconds wait, const std::function<bool()>& stop,
                      const std::function<Stream(std::uint16_t tsid)>& known) const;
    // What is whole now, without waiting (an SDT only for the PAT's stream).
    StreamTables ReadNow() const;

    struct State;

private:
    explicit TableReader(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    std::shared_ptr<State> m_state;
    std::shared_ptr<void> m_tap;  // keeps the tap alive as long as the reader
};

}  // namespace scan
