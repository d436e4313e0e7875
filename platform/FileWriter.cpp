#include "platform/FileWriter.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "platform/InputPin.h"

namespace {

std::string ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Writes all of `iov` (it is consumed), retrying short writes; false on an error.
bool WriteAll(int fd, std::vector<iovec>& iov) {
    std::size_t first = 0;
    while (first < iov.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(iov.size() - first, IOV_MAX));
        ssize_t done = ::writev(fd, &iov[first], count);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        while (done > 0 && first < iov.size()) {
            const auto step = std::min<std::size_t>(static_cast<std::size_t>(done), iov[first].iov_len);
            iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + step;
            iov[first].iov_len -= step;
            done -= static_cast<ssize_t>(step);
            if (iov[first].iov_len == 0) ++first;
        }
    }
    return true;
}

}  // namespace

FileWriter::FileWriter(std::size_t queueBytes) : m_queueLimit(queueBytes) {
    AddPin(std::make_shared<InputPin>(*this, u"in",
                                      [this](const MediaBuffer& buffer) { return Queue(buffer); }));
}

FileWriter::~FileWriter() {
    Stop();
    if (m_fd >= 0) ::close(m_fd);
}

HRESULT FileWriter::SetFileName(const std::u16string& fileName, const AM_MEDIA_TYPE*) {
    if (fileName.empty()) return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    if (m_running) return VFW_E_NOT_STOPPED;
    const int fd = ::open(ToUtf8(fileName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return E_FAIL;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
    m_writeFailed = false;
    return S_OK;
}

std::size_t FileWriter::QueuedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_queuedBytes;
}

std::uint64_t FileWriter::BytesWritten() const {
    std::lock_guard lock(m_mutex);
    return m_written;
}

void FileWriter::OnRun() {
    std::lock_guard lock(m_mutex);
    m_running = true;
    m_accepting = true;
    m_stopping = false;
    if (m_fd >= 0) m_io = std::thread([this, fd = m_fd] { WriteLoop(fd); });
}

void FileWriter::OnStop() {
    {
        std::lock_guard lock(m_mutex);
        m_accepting = false;
        m_stopping = true;
    }
    // Wakes a streaming thread waiting for room (it gives up) and the I/O thread, which writes
    // what is queued and ends.
    m_drained.notify_all();
    m_queued.notify_all();
    if (m_io.joinable()) m_io.join();
    std::lock_guard lock(m_mutex);
    m_running = false;
}

HRESULT FileWriter::Queue(const MediaBuffer& buffer) {
    if (!buffer || buffer->empty()) return S_OK;
    std::unique_lock lock(m_mutex);
    if (!m_accepting) return VFW_E_WRONG_STATE;
    if (m_fd < 0) return S_OK;  // no file: the stream is discarded
    // A buffer larger than the whole queue still goes in once the queue is empty.
    m_drained.wait(lock, [&] {
        return !m_accepting || m_queuedBytes == 0 ||
               m_queuedBytes + buffer->size() <= m_queueLimit;
    });
    if (!m_accepting) return VFW_E_WRONG_STATE;
    m_queue.push_back(buffer);
    m_queuedBytes += buffer->size();
    lock.unlock();
    m_queued.notify_one();
    return S_OK;
}

void FileWriter::WriteLoop(int fd) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_queued.wait(lock, [this] { return !m_queue.empty() || m_stopping; });
        if (m_queue.empty()) return;
        std::vector<MediaBuffer> batch(std::make_move_iterator(m_queue.begin()),
                                       std::make_move_iterator(m_queue.end()));
        m_queue.clear();
        lock.unlock();
        WriteBatch(fd, batch);
        lock.lock();
        for (const auto& buffer : batch) m_queuedBytes -= buffer->size();
        m_drained.notify_all();
    }
}

// Runs on the I/O thread without the lock. After a failed write the rest is dropped: the file
// cannot be completed, and the streaming thread must not wait for room that never comes.
void FileWriter::WriteBatch(int fd, const std::vector<MediaBuffer>& batch) {
    std::vector<iovec> iov;
    iov.reserve(batch.size());
    std::size_t bytes = 0;
    for (const auto& buffer : batch) {
        iov.push_back({const_cast<std::uint8_t*>(buffer->data()), buffer->size()});
        bytes += buffer->size();
    }
    bool failed;
    {
        std::lock_guard lock(m_mutex);
        failed = m_writeFailed;
    }
    if (!failed) failed = !WriteAll(fd, iov);
    std::lock_guard lock(m_mutex);
    m_writeFailed = failed;
    if (!failed) m_written += bytes;
}
