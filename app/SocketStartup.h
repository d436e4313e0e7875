// The sockets library as start-up checks it. The program needs exactly version 1.1; a library
// that grants another version is released again and counts as a failed start.
#pragma once

#include <cstdint>

class SocketLibrary {
public:
    virtual ~SocketLibrary() = default;
    // 0 on success, with the version granted in `granted` (major in the low byte, minor in the
    // high byte); any other value is an error code and leaves `granted` unspecified.
    virtual int Startup(std::uint16_t requested, std::uint16_t& granted) = 0;
    // Releases a library that Startup started.
    virtual void Cleanup() = 0;
};

// Sockets on Linux need no start-up: this library grants whatever version is asked for.
class StandInSocketLibrary final : public SocketLibrary {
public:
    int Startup(std::uint16_t requested, std::uint16_t& granted) override {
        granted = requested;
        return 0;
    }
    void Cleanup() override {}
};

inline constexpr std::uint16_t kSocketVersion11 = 0x0101;

// Starts `library` asking for version 1.1; true when exactly that version was granted.
bool InitSockets(SocketLibrary& library);
