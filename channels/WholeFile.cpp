#include "channels/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

namespace orvalen {

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Closes the descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, for the error a close may report.
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

// A new file beside `path`, named into `temporary`, with the modes the user's umask gives any new
// file (mkstemp would make it private, and changing the umask to undo that is not thread-safe).
int CreateTemporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Gives the temporary file its final name: a rename when replacing, else a link, which fails
// when the name exists, so that a file appearing meanwhile is never overwritten.
int Publish(const std::string& temporary, const std::string& path, bool replace) {
    if (replace) return ::rename(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
    const int result = ::link(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
    ::unlink(temporary.c_str());
    return result;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error) {
    // Non-blocking, so that a FIFO without a writer cannot hold the run.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        error = Reason(errno);
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        error = "not a regular file";
        return std::nullopt;
    }
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = Reason(errno);
            return std::nullopt;
        }
        if (got == 0) return bytes;
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxConvertedFileBytes) {
            error = "larger than 16 MiB";
            return std::nullopt;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
}

std::string WriteWholeFile(const std::string& path, std::string_view bytes, bool replace) {
    if (!replace && ::access(path.c_str(), F_OK) == 0) return "exists (--force replaces it)";
    std::string temporary;
    Descriptor fd(CreateTemporary(path, temporary));
    if (fd.get() < 0) return Reason(errno);
    const bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    const int writeError = errno;
    if (fd.Close() != 0 || !written) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        return Reason(error);
    }
    const int error = Publish(temporary, path, replace);
    if (error == 0) return {};
    ::unlink(temporary.c_str());
    return error == EEXIST ? "exists (--force replaces it)" : Reason(error);
}

}  // namespace orvalen
