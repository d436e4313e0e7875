// A CAM in a CI slot: the module's side of the dialogue (transport, sessions, its resources)
// over one end of a socketpair, while the host's CA device reads and writes the other end
// exactly as it would the kernel's. It serves the same menus, list, PIN enquiry and
// character-table selectors as the simulated card's CAM, behaves like real modules when given
// quirks (ModuleQuirks.h), and can misbehave on request.
//
// Use: construct it (name, quirks), open a CaDevice on Io() (any path), and hand the device to
// a CamSlot, or read and write Io()'s descriptors yourself as [slot 0][tcid 1][TPDU] frames.
//
// Thread-safety: every public method may be called from any thread; the module answers on a
// thread of its own, joined by the destructor.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ModuleMenus.h"
#include "ModuleQuirks.h"
#include "linuxdvb/DvbIo.h"
#include "linuxdvb/en50221/Bytes.h"

namespace linuxdvb::en50221 {

using linuxdvb::DvbIo;

class SimulatedModule {
public:
    static constexpr const char* kDefaultName = "Kestrel CAM";
    static constexpr std::uint16_t kCaSystemId = 0x0B00;

    explicit SimulatedModule(std::string name = kDefaultName, ModuleQuirks quirks = {});
    ~SimulatedModule();
    SimulatedModule(const SimulatedModule&) = delete;
    SimulatedModule& operator=(const SimulatedModule&) = delete;

    // The host's end, as the kernel's CA device: open() of any path gives a new descriptor of
    // it; the CA ioctls are answered as the kernel's link layer would for a single-slot device.
    // It must not outlive the module.
    std::shared_ptr<DvbIo> Io();

    // Misbehaviour, applied from the next object on.
    // Menus and lists go out in _more parts of `bytes` body bytes, and every unit longer than
    // that in chained transport data (0: whole).
    void SplitInto(std::size_t bytes);
    // The next MMI object claims more bytes than it carries.
    void CorruptNextObject();
    // The next response's transport unit claims more bytes than it carries.
    void CorruptNextResponse();
    // Shows the object shown again, as a new object.
    void ShowAgain();
    // Closes the MMI session as if the module's application had ended it.
    void CloseMmiSession();
    // The module starts again on its own (as after a crash): it reads as not ready once, then
    // talks afresh.
    void Restart();
    void Remove();
    void Insert();
    // The kernel reports the module present but not ready, as while it brings a slow module up,
    // until released.
    void KeepStarting(bool starting);
    // A unit waiting on the host's end before anyone opens it, as a previous opener may leave.
    void LeaveStaleUnit();
    // The module hangs: it answers nothing until it starts afresh (reset, restarted, taken out).
    void Hang();
    // The module's application asks the host to reset it.
    void AskForReset();
    // Another program holds the device: opening it fails with EBUSY until released.
    void HoldDevice(bool held);

    // What the host sent: every ca_pmt body, every date_time body, every CA_RESET.
    std::vector<Bytes> CaPmts() const;
    std::size_t DateTimes() const;
    std::uint32_t Resets() const;
    // The dialogue's current page, none between dialogues.
    std::optional<ModulePage> Page() const;
    // How often the host opened an MMI session.
    std::uint32_t MmiSessions() const;
    // The data rate the host told (application information version 3), if it did.
    std::optional<std::uint8_t> DataRate() const;

private:
    // The slot as the kernel's CA device shows it (ModuleSlot.cpp).
    class HostEnd;
    friend class HostEnd;
    int OnIoctl(unsigned long request, void* argument);
    bool Held() const;
    // Whether the kernel would take units for the module now.
    bool Running() const;
    void PullOut();

    // The module's thread and the frames it sends on its own (SimulatedModule.cpp).
    void Run();
    void SendLater(Bytes frame, std::chrono::milliseconds delay);
    void SendDue();
    void StartAfresh();

    // Transport (ModuleTransport.cpp).
    Bytes Respond(ByteView frame);
    Bytes RespondToTpdu(std::uint8_t tag, ByteView body);
    Bytes Status();
    Bytes TakeData();
    void SendSpdu(Bytes spdu);

    // Sessions (ModuleSessions.cpp).
    void OnSpdu(ByteView spdu);
    void RequestSession(std::uint32_t resource);
    void SendApdu(std::uint32_t resource, std::uint32_t tag, ByteView body = {});
    // An object written out whole (tag, length, body).
    void SendWhole(std::uint32_t resource, ByteView apdu);

    // Resources and the MMI dialogue (ModuleResources.cpp).
    void OnSessionOpened(std::uint32_t resource, std::uint16_t session);
    void OnApdu(std::uint16_t session, std::uint32_t tag, ByteView body);
    void OnMmiApdu(std::uint32_t tag, ByteView body);
    void ShowPage();

    std::shared_ptr<HostEnd> m_io;
    int m_hostFd = -1;
    int m_moduleFd = -1;

    mutable std::mutex m_mutex;
    const std::string m_name;
    const ModuleQuirks m_quirks;
    // Frames the module sends on its own, when they are due.
    std::deque<std::pair<std::chrono::steady_clock::time_point, Bytes>> m_later;
    bool m_applicationsRequested = false;
    std::optional<std::uint8_t> m_dataRate;
    bool m_present = true;
    bool m_pulledInDialogue = false;  // the remove-in-dialogue quirk, done once
    bool m_held = false;
    bool m_starting = false;
    bool m_notReadyOnce = false;
    bool m_hung = false;
    std::uint32_t m_resets = 0;
    std::atomic<bool> m_stop{false};
    std::size_t m_split = 0;
    bool m_corruptObject = false;
    bool m_corruptResponse = false;

    bool m_connected = false;
    // Transport data still to go, already cut into parts: (more parts follow, bytes).
    std::deque<std::pair<bool, Bytes>> m_outgoing;
    std::deque<std::uint32_t> m_pendingOpens;
    std::map<std::uint32_t, std::uint16_t> m_sessions;  // resource -> session number
    bool m_menuRequested = false;
    ModuleMenus m_menus;
    std::uint32_t m_mmiSessions = 0;
    std::vector<Bytes> m_caPmts;
    std::size_t m_dateTimes = 0;

    std::thread m_thread;
};

}  // namespace linuxdvb::en50221
