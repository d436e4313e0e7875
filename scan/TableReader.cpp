#include "scan/TableReader.h"

#include <condition_variable>
#include <mutex>

#include "scan/PacketTap.h"
#include "scan/SectionAssembler.h"
#include "scan/TableAssembler.h"

namespace scan {

namespace {

constexpr auto kStopPoll = std::chrono::milliseconds(20);

// One table's packets to its sections to the whole table.
struct TableInput {
    TableInput(std::uint16_t pid, std::uint8_t tableId) : sections(pid), table(tableId) {}
    SectionAssembler sections;
    TableAssembler table;
    void Add(std::span<const std::uint8_t, kPacketSize> packet) {
        sections.Add(packet, [this](const CheckedSection& s) { table.Add(s); });
    }
};

}  // namespace

struct TableReader::State {
    std::mutex mutex;
    std::condition_variable changed;
    TableInput pat{kPatPid, kPatTableId};
    TableInput sdt{kSdtPid, kSdtActualTableId};
    TableInput nit{kNitPid, kNitActualTableId};
    bool reading = true;

    void Restart() {
        pat = TableInput(kPatPid, kPatTableId);
        sdt = TableInput(kSdtPid, kSdtActualTableId);
        nit = TableInput(kNitPid, kNitActualTableId);
    }
    // What is whole; the caller holds the lock.
    StreamTables Whole() const {
        StreamTables tables;
        tables.pat = ParsePat(pat.table.Sections());
        tables.sdt = ParseSdt(sdt.table.Sections());
        tables.nit = ParseNit(nit.table.Sections());
        if (tables.sdt && (!tables.pat || tables.sdt->tsid != tables.pat->tsid)) tables.sdt.reset();
        return tables;
    }
    void Add(std::span<const std::uint8_t, kPacketSize> packet) {
        const std::uint16_t pid = static_cast<std::uint16_t>((packet[1] & 0x1F) << 8 | packet[2]);
        TableInput* input = pid == kPatPid   ? &pat
                            : pid == kSdtPid ? &sdt
                            : pid == kNitPid ? &nit
                                             : nullptr;
        if (!input) return;
        std::lock_guard lock(mutex);
        if (!reading) return;
        const bool before = input->table.Complete();
        input->Add(packet);
        if (!before && input->table.Complete()) changed.notify_all();
    }
};

std::unique_ptr<TableReader> TableReader::Attach(TunerGraph& graph) {
    auto state = std::make_shared<State>();
    auto tap = PacketTap::Attach(
        graph, [state](std::span<const std::uint8_t, kPacketSize> p) { state->Add(p); });
    if (!tap) return nullptr;
    std::unique_ptr<TableReader> reader(new TableReader(state));
    reader->m_tap = tap;
    return reader;
}

void TableReader::Restart() {
    std::lock_guard lock(m_state->mutex);
    m_state->Restart();
    m_state->reading = true;
}

void TableReader::Pause() {
    std::lock_guard lock(m_state->mutex);
    m_state->Restart();
    m_state->reading = false;
}

StreamTables TableReader::Read(std::chrono::milliseconds wait, const std::function<bool()>& stop,
                               const std::function<Stream(std::uint16_t)>& known) const {
    const auto until = std::chrono::steady_clock::now() + wait;
    std::unique_lock lock(m_state->mutex);
    const auto enough = [&] {
        State& s = *m_state;
        const auto pat = s.pat.table.Complete() ? ParsePat(s.pat.table.Sections()) : std::nullopt;
        if (!pat) return false;
        const Stream stream = known(pat->tsid);
        if (stream == Stream::Elsewhere) {
            s.Restart();
            return false;
        }
        const auto sdt = s.sdt.table.Complete() ? ParseSdt(s.sdt.table.Sections()) : std::nullopt;
        if (!sdt || sdt->tsid != pat->tsid) return false;
        return stream == Stream::Known || s.nit.table.Complete();
    };
    while (!enough() && !stop() && std::chrono::steady_clock::now() < until)
        m_state->changed.wait_for(lock, kStopPoll);
    return m_state->Whole();
}

StreamTables TableReader::ReadNow() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->Whole();
}

}  // namespace scan
