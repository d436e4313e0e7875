// Helpers for the channel data tests: list file content in the encodings the reader takes,
// and a scratch working directory for the file-based entry points.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "channels/ChannelList.h"
#include "channels/SatelliteList.h"

namespace orvalen::test {

inline std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline std::u16string Ascii(std::string_view text) {
    return {text.begin(), text.end()};
}

// UTF-16LE bytes of `units`, preceded by the UTF-16LE byte-order mark.
std::string Utf16LeWithMark(std::u16string_view units);

inline ChannelList ParseChannels(std::string_view fileBytes) {
    return LoadChannelListFromBytes(Bytes(fileBytes));
}

inline SatelliteList ParseSatellites(std::string_view fileBytes) {
    return LoadSatelliteListFromBytes(Bytes(fileBytes));
}

// The names of a list's channels, in index order.
std::vector<std::u16string> NamesOf(const ChannelList& list);

// Collects what a loader reports about dropped lines.
class DropLog final : public ListReadObserver {
public:
    struct Drop {
        std::size_t line;
        std::u16string text;
        std::string why;
    };
    void TableUnread(std::string_view why) override { unread.emplace_back(why); }
    void LineDropped(const CsvLine& line, std::string_view why) override {
        drops.push_back({line.number, std::u16string(line.text), std::string(why)});
    }
    std::vector<std::string> unread;
    std::vector<Drop> drops;
};

// `path` is the working directory while the object lives.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& path)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~InDirectory() { std::filesystem::current_path(previous_); }
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// A fresh directory that is the working directory while the object lives.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // Writes `bytes` to the file `name` inside the directory.
    void Write(const std::string& name, std::string_view bytes) const;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace orvalen::test
