// The file writer (CLSID_FileWriter): one input pin and IFileSinkFilter. While the graph runs it
// stores every buffer that reaches it in the file, through its own I/O thread and a bounded
// queue, so the streaming thread never waits on a single disk write. When the queue is full the
// streaming thread waits for room (back-pressure): nothing is dropped inside the program.
//
// SetFileName creates (or empties) the file at once, so a bad path is reported there; it is
// refused while running. Stop returns once everything queued is in the file; the file is closed
// when the writer is destroyed. Without a file name the writer discards what it receives.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FilterBase.h"

class FileWriter : public FilterBase, public IFileSinkFilter {
public:
    static constexpr std::size_t kDefaultQueueBytes = 32u << 20;
    explicit FileWriter(std::size_t queueBytes = kDefaultQueueBytes);
    ~FileWriter() override;

    HRESULT SetFileName(const std::u16string& fileName, const AM_MEDIA_TYPE* mt) override;

    // What is waiting for the disk, in bytes, and what has reached the file.
    std::size_t QueuedBytes() const;
    std::uint64_t BytesWritten() const;

protected:
    void OnRun() override;
    void OnStop() override;

private:
    // What one batch of the I/O thread came to.
    struct BatchOutcome {
        std::size_t queuedBytes = 0;  // the room it held in the queue
        std::uint64_t writtenBytes = 0;
        bool failed = false;
    };

    HRESULT Queue(const MediaBuffer& buffer);
    void WriteLoop(int fd);
    std::size_t TakeBatch(std::vector<MediaBuffer>& batch);
    bool Settle(const BatchOutcome& outcome);
    static void WriteBatch(int fd, const std::vector<MediaBuffer>& batch, bool failed,
                           BatchOutcome& outcome);

    const std::size_t m_queueLimit;
    mutable std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_drained;
    std::deque<MediaBuffer> m_queue;
    std::size_t m_queuedBytes = 0;  // includes the batch the I/O thread is writing
    bool m_running = false;         // from OnRun until the I/O thread has ended
    bool m_accepting = false;       // buffers are taken
    bool m_stopping = false;
    int m_fd = -1;
    bool m_writeFailed = false;
    std::uint64_t m_written = 0;
    std::thread m_io;
};
