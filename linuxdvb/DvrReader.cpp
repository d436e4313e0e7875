#include "linuxdvb/DvrReader.h"

#include <fcntl.h>
#include <linux/dvb/dmx.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "linuxdvb/BufferPool.h"
#include "linuxdvb/PacketAligner.h"

namespace linuxdvb {
namespace {

// The pid that stands for "every pid" in a PES filter.
constexpr std::uint16_t kAllPids = 0x2000;
// Idle stream buffers kept for reuse: as many as the file writer queues at most.
constexpr std::size_t kIdleBuffers = (32u << 20) / kDvrReadBytes;
// A card that goes away marks its dvr gone without waking a reader that waits for data; a wait
// ends after this long so that the next read sees it.
constexpr int kGoneCheckMs = 1000;

// Closes a descriptor through the seam when the scope ends.
struct Opened {
    DvbIo& io;
    int fd;
    ~Opened() {
        if (fd >= 0) io.Close(fd);
    }
};

}  // namespace

DvrReader::DvrReader(std::shared_ptr<DvbIo> io, std::string demuxPath, std::string dvrPath,
                     std::shared_ptr<PacketTap> tap)
    : m_io(std::move(io)),
      m_demuxPath(std::move(demuxPath)),
      m_dvrPath(std::move(dvrPath)),
      m_tap(std::move(tap)) {}

DvrReader::~DvrReader() {
    Stop();
}

void DvrReader::Start(Deliver deliver) {
    if (m_thread.joinable()) return;
    m_stopping = false;
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0) {
        std::perror("dvr reader: eventfd");
        return;
    }
    m_thread = std::thread([this, deliver = std::move(deliver)] { Run(deliver); });
}

void DvrReader::Stop() {
    if (!m_thread.joinable()) return;
    m_stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wake, &one, sizeof one);
    m_thread.join();
    ::close(m_wake);
    m_wake = -1;
}

void DvrReader::Run(const Deliver& deliver) {
    // The dvr first: its ring receives what the demux taps. A second reader of a shared demux
    // finds it busy and delivers nothing while the first one streams.
    Opened dvr{*m_io, m_io->Open(m_dvrPath, O_RDONLY | O_NONBLOCK)};
    if (dvr.fd < 0) {
        std::fprintf(stderr, "%s: cannot read the stream (%s)\n", m_dvrPath.c_str(),
                     std::strerror(-dvr.fd));
        return;
    }
    // The TS tap fills the dvr's ring, so that is the buffer to enlarge (the demux filter's own
    // buffer is not used by the tap).
    m_io->Ioctl(dvr.fd, DMX_SET_BUFFER_SIZE, kDvrRingBytes);
    Opened demux{*m_io, m_io->Open(m_demuxPath, O_RDWR | O_NONBLOCK)};
    if (demux.fd < 0) {
        std::fprintf(stderr, "%s: cannot route the stream (%s)\n", m_demuxPath.c_str(),
                     std::strerror(-demux.fd));
        return;
    }
    dmx_pes_filter_params filter{};
    filter.pid = kAllPids;
    filter.input = DMX_IN_FRONTEND;
    filter.output = DMX_OUT_TS_TAP;
    filter.pes_type = DMX_PES_OTHER;
    filter.flags = DMX_IMMEDIATE_START;
    if (const int result = m_io->Ioctl(demux.fd, DMX_SET_PES_FILTER, DvbIo::Arg(&filter));
        result < 0) {
        std::fprintf(stderr, "%s: the demux refuses the stream filter (%s)\n", m_demuxPath.c_str(),
                     std::strerror(-result));
        return;
    }
    Pump(dvr.fd, deliver);
    m_io->Ioctl(demux.fd, DMX_STOP, 0);
}

void DvrReader::Pump(int dvr, const Deliver& deliver) {
    // Enough idle buffers to cover what the file writer may hold queued.
    const auto pool = BufferPool::Make(kIdleBuffers);
    PacketAligner aligner;
    for (;;) {
        if (m_stopping.load()) return;
        const auto carried = aligner.Carried();
        auto block = pool->Get(carried.size() + kDvrReadBytes);
        std::copy(carried.begin(), carried.end(), block->begin());
        const long got = m_io->Read(dvr, block->data() + carried.size(), kDvrReadBytes);
        if (got == -EAGAIN) {
            // Nothing to read: wait for data or for Stop.
            pollfd fds[2] = {{m_wake, POLLIN, 0}, {dvr, POLLIN, 0}};
            if (m_io->Poll(fds, 2, kGoneCheckMs) < 0 || fds[0].revents) return;
            continue;
        }
        if (got == -EOVERFLOW) {
            // The kernel emptied its ring: a gap in the stream, and a partial packet with it.
            ++m_overruns;
            aligner.Reset();
            continue;
        }
        if (got == -ENODEV) {
            std::fprintf(stderr, "%s: the card is gone; the stream ends\n", m_dvrPath.c_str());
            return;
        }
        if (got < 0) {
            std::fprintf(stderr, "%s: the stream ends: %s\n", m_dvrPath.c_str(),
                         std::strerror(static_cast<int>(-got)));
            return;
        }
        if (got == 0) return;  // the stream ended
        block->resize(carried.size() + static_cast<std::size_t>(got));
        aligner.Cut(*block);
        if (block->empty()) continue;
        m_tap->Show(*block);
        deliver(std::move(block));
    }
}

}  // namespace linuxdvb
