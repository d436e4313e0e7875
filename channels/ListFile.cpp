#include "channels/ListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "channels/Utf.h"

namespace orvalen {

std::unique_ptr<ListFile> ListFile::Open(std::u16string_view fileName) {
    const std::string path = ToUtf8(fileName.substr(0, fileName.find(u'\0')));
    // Non-blocking, so that opening a FIFO without a writer returns at once; the type is checked
    // on what was opened, not on the name, which may change in between.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ListFile>(new ListFile(fd));
}

ListFile::~ListFile() {
    ::close(fd_);
}

std::size_t ListFile::Read(std::uint8_t* into, std::size_t capacity) {
    for (;;) {
        const ssize_t got = ::read(fd_, into, capacity);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) return 0;
    }
}

}  // namespace orvalen
