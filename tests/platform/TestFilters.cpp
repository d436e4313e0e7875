#include "TestFilters.h"

#include <chrono>

#include "platform/InputPin.h"
#include "platform/Threads.h"

std::vector<std::uint8_t> TestPackets(std::uint64_t first, std::uint64_t count) {
    std::vector<std::uint8_t> bytes(count * kTransportPacketSize);
    for (std::uint64_t k = 0; k < count; ++k) {
        const std::uint64_t index = first + k;
        std::uint8_t* packet = bytes.data() + k * kTransportPacketSize;
        packet[0] = 0x47;
        for (int i = 0; i < 4; ++i) packet[1 + i] = static_cast<std::uint8_t>(index >> (8 * i));
        for (std::size_t i = 5; i < kTransportPacketSize; ++i)
            packet[i] = static_cast<std::uint8_t>(index * 7 + i);
    }
    return bytes;
}

TestSource::TestSource(std::size_t packetsPerBuffer, std::uint64_t totalPackets)
    : m_packetsPerBuffer(packetsPerBuffer), m_totalPackets(totalPackets) {
    AddPin(std::make_shared<PinBase>(*this, PINDIR_OUTPUT, u"Out"));
}

TestSource::~TestSource() {
    Stop();
}

std::uint64_t TestSource::PacketsDelivered() const {
    std::lock_guard lock(m_mutex);
    return m_delivered;
}

bool TestSource::WaitForPackets(std::uint64_t packets) {
    std::unique_lock lock(m_mutex);
    return m_progress.wait_for(lock, std::chrono::seconds(30),
                               [&] { return m_delivered >= packets || m_ended; });
}

void TestSource::OnRun() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
        m_ended = false;
    }
    m_thread = std::thread([this] { Push(); });
}

void TestSource::OnStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_progress.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void TestSource::Push() {
    const auto output = Output();
    std::unique_lock lock(m_mutex);
    while (!m_stop && (m_totalPackets == 0 || m_delivered < m_totalPackets)) {
        std::uint64_t count = m_packetsPerBuffer;
        if (m_totalPackets != 0) count = std::min(count, m_totalPackets - m_delivered);
        const std::uint64_t first = m_delivered;
        lock.unlock();
        auto buffer = std::make_shared<const std::vector<std::uint8_t>>(TestPackets(first, count));
        const HRESULT hr = output->Deliver(buffer);
        lock.lock();
        if (hr == S_OK)
            m_delivered += count;
        else
            m_progress.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_stop; });
        m_progress.notify_all();
    }
    m_ended = true;
    m_progress.notify_all();
}

CollectingSink::CollectingSink() {
    AddPin(std::make_shared<InputPin>(*this, u"In", [this](const MediaBuffer& buffer) {
        std::lock_guard lock(m_mutex);
        m_buffers.push_back(buffer);
        m_threads.push_back(GetCurrentThreadId());
        return S_OK;
    }));
}

std::vector<std::uint8_t> CollectingSink::Bytes() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint8_t> bytes;
    for (const auto& buffer : m_buffers) bytes.insert(bytes.end(), buffer->begin(), buffer->end());
    return bytes;
}

std::vector<MediaBuffer> CollectingSink::Buffers() const {
    std::lock_guard lock(m_mutex);
    return m_buffers;
}

std::vector<std::uint32_t> CollectingSink::ReceivingThreads() const {
    std::lock_guard lock(m_mutex);
    return m_threads;
}
