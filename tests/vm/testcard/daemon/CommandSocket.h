// The daemon's command socket: a Unix stream socket at a path, one command line per connection
// ("cable single", ...), answered with one line ("ok" or "error: why") before the daemon closes
// the connection, so the one who asks knows the command has taken effect.
//
// Not thread-safe: the event loop polls Fd() and calls Serve when it is readable.
#pragma once

#include <functional>
#include <string>

namespace testcard {

class CommandSocket {
public:
    // Takes one command line and returns the answer line.
    using Handler = std::function<std::string(const std::string& command)>;

    // Listens at `path` (an old socket there is replaced); Ok() says whether that worked.
    explicit CommandSocket(std::string path);
    ~CommandSocket();
    CommandSocket(const CommandSocket&) = delete;
    CommandSocket& operator=(const CommandSocket&) = delete;

    bool Ok() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    // Accepts one connection and answers its command.
    void Serve(const Handler& handler);

private:
    const std::string m_path;
    int m_fd = -1;
};

// The client side, for the checks and scripts: sends `command` to the socket at `path` and
// returns the answer line, or "error: ..." when the daemon could not be reached.
std::string AskTestCard(const std::string& path, const std::string& command);

}  // namespace testcard
