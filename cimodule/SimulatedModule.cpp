#include "SimulatedModule.h"

#include <fcntl.h>
#include <linux/dvb/ca.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

#include "ModuleWire.h"

namespace linuxdvb::en50221 {
namespace {

using namespace wire;

constexpr std::uint8_t kSlot = 0;
constexpr std::uint8_t kTcid = 1;
constexpr std::uint8_t kDateTimeInterval = 1;  // seconds

Bytes Frame(ByteView tpdus) {
    Bytes frame{kSlot, kTcid};
    frame.insert(frame.end(), tpdus.begin(), tpdus.end());
    return frame;
}

// A tagged object whose length field claims three bytes more than it carries.
Bytes Overlong(ByteView object, std::size_t tagSize) {
    const auto read = ReadObject(object, tagSize);
    Bytes out(object.begin(), object.begin() + tagSize);
    AppendLength(out, read->body.size() + 3);
    out.insert(out.end(), read->body.begin(), read->body.end());
    return out;
}

}  // namespace

class SimulatedModule::HostEnd final : public DvbIo {
public:
    explicit HostEnd(SimulatedModule& module) : m_module(module) {}
    int Open(const std::string&, int) override {
        if (m_module.Held()) return -EBUSY;
        return Result(::fcntl(m_module.m_hostFd, F_DUPFD_CLOEXEC, 0));
    }
    int Ioctl(int, unsigned long request, unsigned long argument) override {
        return m_module.OnIoctl(request, reinterpret_cast<void*>(argument));
    }
    long Read(int fd, void* buffer, std::size_t size) override {
        return Result(::recv(fd, buffer, size, MSG_DONTWAIT));
    }
    long Write(int fd, const void* buffer, std::size_t size) override {
        // The kernel takes units only for a module it has brought up.
        if (!m_module.Running()) return -EINVAL;
        return Result(::send(fd, buffer, size, MSG_NOSIGNAL));
    }
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override {
        return Result(::poll(fds, count, timeoutMs));
    }
    int Close(int fd) override { return Result(::close(fd)); }
    void Sleep(std::chrono::microseconds time) override { std::this_thread::sleep_for(time); }

private:
    static int Result(long result) { return static_cast<int>(result < 0 ? -errno : result); }

    SimulatedModule& m_module;
};

SimulatedModule::SimulatedModule(std::string name, ModuleQuirks quirks)
    : m_io(std::make_shared<HostEnd>(*this)),
      m_name(std::move(name)),
      m_quirks(quirks),
      m_split(quirks.chainBytes) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0)
        throw std::runtime_error("socketpair");
    m_hostFd = fds[0];
    m_moduleFd = fds[1];
    m_thread = std::thread([this] { Run(); });
}

SimulatedModule::~SimulatedModule() {
    m_stop = true;
    ::shutdown(m_moduleFd, SHUT_RDWR);
    m_thread.join();
    ::close(m_moduleFd);
    ::close(m_hostFd);
}

std::shared_ptr<DvbIo> SimulatedModule::Io() {
    return m_io;
}

void SimulatedModule::SendLater(Bytes frame, std::chrono::milliseconds delay) {
    m_later.emplace_back(std::chrono::steady_clock::now() + delay, std::move(frame));
}

void SimulatedModule::SendDue() {
    const auto now = std::chrono::steady_clock::now();
    while (!m_later.empty() && m_later.front().first <= now) {
        const Bytes& frame = m_later.front().second;
        ::send(m_moduleFd, frame.data(), frame.size(), MSG_NOSIGNAL);
        m_later.pop_front();
    }
}

void SimulatedModule::Run() {
    Bytes frame(65536);
    while (!m_stop) {
        int timeout = -1;
        {
            std::lock_guard lock(m_mutex);
            SendDue();
            if (!m_later.empty()) {
                const auto wait = m_later.front().first - std::chrono::steady_clock::now();
                timeout =
                    static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
                timeout = std::max(timeout, 0);
            }
        }
        pollfd fds{m_moduleFd, POLLIN, 0};
        if (::poll(&fds, 1, timeout) == 0) continue;
        const ssize_t size = ::recv(m_moduleFd, frame.data(), frame.size(), MSG_DONTWAIT);
        if (size <= 0) {
            if (size < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            return;
        }
        Bytes response;
        {
            std::lock_guard lock(m_mutex);
            response = Respond(ByteView(frame).first(static_cast<std::size_t>(size)));
        }
        if (!response.empty()) ::send(m_moduleFd, response.data(), response.size(), MSG_NOSIGNAL);
    }
}

int SimulatedModule::OnIoctl(unsigned long request, void* argument) {
    std::lock_guard lock(m_mutex);
    switch (request) {
        case CA_GET_CAP: {
            auto* caps = static_cast<ca_caps*>(argument);
            *caps = ca_caps{1, CA_CI_LINK, 0, 0};
            return 0;
        }
        case CA_GET_SLOT_INFO: {
            auto* info = static_cast<ca_slot_info*>(argument);
            if (info->num != 0) break;
            info->type = CA_CI_LINK;
            const bool ready = m_present && !m_starting && !m_notReadyOnce;
            m_notReadyOnce = false;
            info->flags =
                (m_present ? CA_CI_MODULE_PRESENT : 0u) | (ready ? CA_CI_MODULE_READY : 0u);
            return 0;
        }
        case CA_RESET:
            ++m_resets;
            if (m_quirks.strayAfterReset) {
                // What the old connection still had on its way: the kernel keeps it.
                const Bytes stray = {kDataLast, 0x09, kTcid, 0x90,    0x02, 0x00,  0x01, 0x9F,
                                     0x80,      0x10, 0x00,  kStatus, 0x02, kTcid, 0x80};
                ::send(m_moduleFd, Frame(stray).data(), stray.size() + 2, MSG_NOSIGNAL);
            }
            StartAfresh();
            m_notReadyOnce = true;
            return 0;
        default:
            break;
    }
    return -EINVAL;
}

Bytes SimulatedModule::Respond(ByteView frame) {
    if (!m_present || frame.size() < 2 || frame[0] != kSlot || frame[1] != kTcid) return {};
    const auto tpdu = frame.subspan(2);
    const auto object = ReadObject(tpdu, 1);
    if (!object || object->body.empty() || object->body[0] != kTcid) return {};
    return Frame(RespondToTpdu(tpdu[0], object->body.subspan(1)));
}

Bytes SimulatedModule::Status() {
    return Tpdu(kStatus, kTcid, Bytes{m_outgoing.empty() ? std::uint8_t{0} : kDataAvailable});
}

Bytes SimulatedModule::RespondToTpdu(std::uint8_t tag, ByteView body) {
    Bytes response;
    switch (tag) {
        case kCreate: {
            StartAfresh();
            m_connected = true;
            RequestSession(kResourceManager);
            response = Tpdu(kCreateReply, kTcid);
            const Bytes status = Status();
            response.insert(response.end(), status.begin(), status.end());
            if (m_quirks.strayAfterOpen) SendLater(Frame(response), std::chrono::milliseconds(0));
            if (m_quirks.lateCreateReply.count() == 0) return response;
            SendLater(Frame(response), m_quirks.lateCreateReply);
            return {};
        }
        case kDelete:
            StartAfresh();
            response = Tpdu(kDeleteReply, kTcid);
            break;
        case kDataLast:
            if (m_connected && !body.empty()) OnSpdu(body);
            break;
        case kReceive:
            if (m_connected && !m_outgoing.empty()) response = TakeData();
            break;
        default:
            break;
    }
    const Bytes status = Status();
    response.insert(response.end(), status.begin(), status.end());
    return response;
}

Bytes SimulatedModule::TakeData() {
    Bytes response;
    do {
        auto [more, data] = std::move(m_outgoing.front());
        m_outgoing.pop_front();
        Bytes unit = Tpdu(more ? kDataMore : kDataLast, kTcid, data);
        if (std::exchange(m_corruptResponse, false)) unit = Overlong(unit, 1);
        response.insert(response.end(), unit.begin(), unit.end());
    } while (m_quirks.severalPerRead && !m_outgoing.empty());
    return response;
}

void SimulatedModule::StartAfresh() {
    m_connected = false;
    m_outgoing.clear();
    m_pendingOpens.clear();
    m_sessions.clear();
    m_menuRequested = false;
    m_applicationsRequested = false;
    m_menus.Close();
}

void SimulatedModule::RequestSession(std::uint32_t resource) {
    m_pendingOpens.push_back(resource);
    Bytes spdu{kOpenRequest, 4};
    AppendBe32(spdu, resource);
    SendSpdu(std::move(spdu));
}

void SimulatedModule::SendSpdu(Bytes spdu) {
    if (m_split == 0 || spdu.size() <= m_split) {
        m_outgoing.emplace_back(false, std::move(spdu));
        return;
    }
    for (std::size_t at = 0; at < spdu.size(); at += m_split) {
        const std::size_t end = std::min(spdu.size(), at + m_split);
        m_outgoing.emplace_back(end < spdu.size(), Bytes(spdu.begin() + at, spdu.begin() + end));
    }
}

void SimulatedModule::SendApdu(std::uint32_t resource, std::uint32_t tag, ByteView body) {
    SendWhole(resource, Apdu(tag, body));
}

void SimulatedModule::SendWhole(std::uint32_t resource, ByteView apdu) {
    const auto session = m_sessions.find(resource);
    if (session == m_sessions.end()) return;
    if (resource == kMmi && std::exchange(m_corruptObject, false))
        return SendSpdu(SessionData(session->second, Overlong(apdu, 3)));
    SendSpdu(SessionData(session->second, apdu));
}

void SimulatedModule::OnSpdu(ByteView spdu) {
    const auto object = ReadObject(spdu, 1);
    if (!object) return;
    const ByteView body = object->body;
    switch (spdu[0]) {
        case kOpenResponse: {
            if (body.size() != 7 || m_pendingOpens.empty()) return;
            const std::uint32_t resource = m_pendingOpens.front();
            m_pendingOpens.pop_front();
            if (body[0] == kSessionOk) OnSessionOpened(resource, ReadBe16(body.subspan(5)));
            return;
        }
        case kCloseRequest: {
            if (body.size() != 2) return;
            const std::uint16_t number = ReadBe16(body);
            std::erase_if(m_sessions, [&](const auto& s) {
                if (s.second != number) return false;
                if (s.first == kMmi) m_menus.Close();
                return true;
            });
            SendSpdu(CloseResponse(kSessionOk, number));
            return;
        }
        case kSessionNumber: {
            if (body.size() != 2) return;
            const std::uint16_t number = ReadBe16(body);
            ByteView apdus = spdu.subspan(object->size);
            while (const auto apdu = ReadObject(apdus, 3)) {
                OnApdu(number, Tag3(apdus), apdu->body);
                apdus = apdus.subspan(apdu->size);
            }
            return;
        }
        default:
            return;
    }
}

void SimulatedModule::OnSessionOpened(std::uint32_t resource, std::uint16_t session) {
    m_sessions[resource] = session;
    if (resource == kResourceManager && m_quirks.profileFirst) SendApdu(resource, kProfileEnq);
    if (resource == kDateTime) SendApdu(resource, kDateTimeEnq, Bytes{kDateTimeInterval});
    if (resource == kMmi) {
        ++m_mmiSessions;
        SendWhole(resource, Bytes(kHighLevelMmiObject.begin(), kHighLevelMmiObject.end()));
    }
}

void SimulatedModule::OnApdu(std::uint16_t session, std::uint32_t tag, ByteView body) {
    const auto it = std::find_if(m_sessions.begin(), m_sessions.end(),
                                 [&](const auto& s) { return s.second == session; });
    if (it == m_sessions.end()) return;
    switch (tag) {
        case kProfileEnq:
            return SendApdu(it->first, kProfileReply);
        case kProfileChanged:
            return SendApdu(it->first, kProfileEnq);
        case kProfileReply:
            // The host has said what it offers: the module's applications come in, once.
            if (std::exchange(m_applicationsRequested, true)) return;
            RequestSession(m_quirks.applicationVersion3 ? kApplicationInformationV3
                                                        : kApplicationInformation);
            RequestSession(kConditionalAccess);
            RequestSession(kDateTime);
            return;
        case kApplicationInfoEnq: {
            Bytes info{0x01, 0x4B, 0x57, 0x02, 0x04, static_cast<std::uint8_t>(m_name.size())};
            info.insert(info.end(), m_name.begin(), m_name.end());
            return SendApdu(it->first, kApplicationInfo, info);
        }
        case kEnterMenu:
            m_menuRequested = true;
            if (m_quirks.freshMmiSession && m_sessions.count(kMmi) != 0) {
                SendSpdu(CloseRequest(m_sessions[kMmi]));
                m_sessions.erase(kMmi);
            }
            if (m_sessions.count(kMmi) == 0) return RequestSession(kMmi);
            m_menus.Open();
            return ShowPage();
        case kCaInfoEnq: {
            Bytes ids;
            AppendBe16(ids, kCaSystemId);
            return SendApdu(it->first, kCaInfo, ids);
        }
        case kCaPmt:
            m_caPmts.emplace_back(body.begin(), body.end());
            return;
        case kDateTimeReply:
            ++m_dateTimes;
            return;
        case kDataRateInfo:
            if (body.size() == 1) m_dataRate = body[0];
            return;
        default:
            if (it->first == kMmi) OnMmiApdu(tag, body);
            return;
    }
}

void SimulatedModule::OnMmiApdu(std::uint32_t tag, ByteView body) {
    switch (tag) {
        case kDisplayReply:
            if (!m_menuRequested) return;
            m_menus.Open();
            return ShowPage();
        case kMenuAnsw:
            if (body.size() != 1) return;
            // Pulled out while the host waits for the page its answer leads to.
            if (m_quirks.removeInDialogue && !std::exchange(m_pulledInDialogue, true))
                return PullOut();
            m_menus.AnswerMenu(body[0]);  // a choice refused shows the page again
            return ShowPage();
        case kAnsw:
            if (body.empty()) return;
            m_menus.AnswerEnquiry(body);
            return ShowPage();
        case kCloseMmi:
            m_menuRequested = false;
            m_menus.Close();
            return;
        default:
            return;
    }
}

void SimulatedModule::ShowPage() {
    const ByteView page = m_menus.Object();
    if (page.empty()) {
        m_menuRequested = false;
        SendWhole(kMmi, Bytes(kCloseMmiObject.begin(), kCloseMmiObject.end()));
        if (m_quirks.freshMmiSession && m_sessions.count(kMmi) != 0) {
            SendSpdu(CloseRequest(m_sessions[kMmi]));
            m_sessions.erase(kMmi);
        }
        return;
    }
    const std::uint32_t tag = Tag3(page);
    if (tag == kEnq || (!m_quirks.countNotGiven && (m_split == 0 || page.size() <= m_split)))
        return SendWhole(kMmi, page);
    const ByteView whole = ReadObject(page, 3)->body;
    Bytes body(whole.begin(), whole.end());
    if (m_quirks.countNotGiven) body[0] = 0xFF;
    const std::uint32_t more = tag == kListLast ? kListMore : kMenuMore;
    ByteView rest = body;
    while (m_split != 0 && rest.size() > m_split) {
        SendApdu(kMmi, more, rest.first(m_split));
        rest = rest.subspan(m_split);
    }
    SendApdu(kMmi, tag, rest);
}

void SimulatedModule::SplitInto(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_split = bytes;
}

void SimulatedModule::CorruptNextObject() {
    std::lock_guard lock(m_mutex);
    m_corruptObject = true;
}

void SimulatedModule::CorruptNextResponse() {
    std::lock_guard lock(m_mutex);
    m_corruptResponse = true;
}

void SimulatedModule::ShowAgain() {
    std::lock_guard lock(m_mutex);
    ShowPage();
}

void SimulatedModule::CloseMmiSession() {
    std::lock_guard lock(m_mutex);
    const auto session = m_sessions.find(kMmi);
    if (session == m_sessions.end()) return;
    SendSpdu(CloseRequest(session->second));
    m_sessions.erase(session);
    m_menus.Close();
}

void SimulatedModule::Restart() {
    std::lock_guard lock(m_mutex);
    StartAfresh();
    m_notReadyOnce = true;
}

void SimulatedModule::Remove() {
    std::lock_guard lock(m_mutex);
    PullOut();
}

void SimulatedModule::PullOut() {
    StartAfresh();
    m_present = false;
}

void SimulatedModule::Insert() {
    std::lock_guard lock(m_mutex);
    m_present = true;
    m_notReadyOnce = true;
}

void SimulatedModule::AskForReset() {
    std::lock_guard lock(m_mutex);
    const auto session = std::find_if(m_sessions.begin(), m_sessions.end(), [](const auto& s) {
        return (s.first & ~0x3Fu) == (kApplicationInformation & ~0x3Fu);
    });
    if (session != m_sessions.end()) SendApdu(session->first, kRequestCamReset);
}

void SimulatedModule::HoldDevice(bool held) {
    std::lock_guard lock(m_mutex);
    m_held = held;
}

bool SimulatedModule::Running() const {
    std::lock_guard lock(m_mutex);
    return m_present && !m_starting;
}

void SimulatedModule::KeepStarting(bool starting) {
    std::lock_guard lock(m_mutex);
    if (starting) StartAfresh();
    m_starting = starting;
}

bool SimulatedModule::Held() const {
    std::lock_guard lock(m_mutex);
    return m_held;
}

void SimulatedModule::LeaveStaleUnit() {
    const Bytes stale = Frame(Tpdu(kStatus, kTcid, Bytes{kDataAvailable}));
    ::send(m_moduleFd, stale.data(), stale.size(), MSG_NOSIGNAL);
}

std::vector<Bytes> SimulatedModule::CaPmts() const {
    std::lock_guard lock(m_mutex);
    return m_caPmts;
}

std::size_t SimulatedModule::DateTimes() const {
    std::lock_guard lock(m_mutex);
    return m_dateTimes;
}

std::uint32_t SimulatedModule::Resets() const {
    std::lock_guard lock(m_mutex);
    return m_resets;
}

std::optional<ModulePage> SimulatedModule::Page() const {
    std::lock_guard lock(m_mutex);
    return m_menus.Page();
}

std::uint32_t SimulatedModule::MmiSessions() const {
    std::lock_guard lock(m_mutex);
    return m_mmiSessions;
}

std::optional<std::uint8_t> SimulatedModule::DataRate() const {
    std::lock_guard lock(m_mutex);
    return m_dataRate;
}

}  // namespace linuxdvb::en50221
