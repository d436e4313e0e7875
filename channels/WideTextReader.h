// Reads list-file bytes as the C runtime's wide text stream "r, ccs=UTF-8" does: a UTF-8
// byte-order mark is skipped, a UTF-16LE one switches to UTF-16LE, CR LF reads as LF, and
// ReadLine behaves as fgetws; it can also note where a line's commas stand, found in the same
// pass. Pure code over a byte buffer, or over a source read a fixed-size chunk at a time so that
// memory stays bounded whatever the text's size; any content is safe to read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "channels/ByteSource.h"
#include "channels/CommaMap.h"

namespace orvalen {

class WideTextReader {
public:
    enum class Encoding { Utf8, Utf16Le };

    // The reader keeps a view of `bytes`; they must outlive it.
    explicit WideTextReader(std::span<const std::uint8_t> bytes);
    // The reader reads `source` as it goes, kChunkBytes at a time; it must outlive the reader.
    explicit WideTextReader(ByteSource& source);

    static constexpr std::size_t kChunkBytes = 64 * 1024;

    // As fgetws(buffer, capacity, stream): reads at most capacity - 1 UTF-16 code units,
    // stopping after a line feed, and terminates them with a zero unit. Returns the number of
    // units read; 0 means nothing could be read (end of the text). A character outside the
    // Basic Multilingual Plane is two units and may be split between two reads. Capacity
    // below 2 reads nothing. `textUnits`, when given, receives the length of the line as a C
    // string: the units before the first zero unit read. `commas`, when given, is cleared and
    // then marks where the units read are commas; the read then takes at most
    // CommaMap::kUnits - 1 units, whatever the capacity.
    std::size_t ReadLine(char16_t* buffer, std::size_t capacity, std::size_t* textUnits = nullptr,
                         CommaMap* commas = nullptr);

    bool AtEnd() { return Available(1) == 0 && pendingUnit_ == 0; }
    Encoding encoding() const { return encoding_; }

private:
    // The bytes left in the window, after reading more from the source when fewer than `wanted`
    // are left and the source has more. Moves the window: views into it do not survive a call.
    std::size_t Available(std::size_t wanted) {
        const std::size_t left = bytes_.size() - pos_;
        return left >= wanted || source_ == nullptr || sourceEnded_ ? left : Refill(wanted);
    }
    std::size_t Refill(std::size_t wanted);
    void SkipByteOrderMark();
    // Decodes the next character (CR LF taken as one LF) into one or two units; returns how
    // many. Must not be called at the end.
    int DecodeNext(char16_t& first, char16_t& second);
    char32_t DecodeUtf8();
    // Copies the characters from the read position on that need no decoder (ASCII, two-byte
    // UTF-8 characters, or any UTF-16 unit from U+000E on), at most `room` units and not past
    // the window; returns how many units. Their commas are marked in `commas`, when given, as units
    // from `at` on.
    std::size_t CopyPlainRun(char16_t* into, std::size_t room, CommaMap* commas, std::size_t at);
    // The bytes of an LF or a CR LF at the read position when they are all in the window, else
    // 0. The read position must be inside the window.
    std::size_t LineEndBytes() const;
    std::size_t ReadUnits(char16_t* buffer, std::size_t capacity, std::size_t& firstZero,
                          CommaMap* commas);

    std::span<const std::uint8_t> bytes_;  // the window: all of the text, or the chunk read last
    std::size_t pos_ = 0;                  // in the window
    ByteSource* source_ = nullptr;
    bool sourceEnded_ = false;
    std::vector<std::uint8_t> chunk_;  // the window's storage when reading a source
    Encoding encoding_ = Encoding::Utf8;
    // The low surrogate of a pair whose high half filled the previous read.
    char16_t pendingUnit_ = 0;
};

}  // namespace orvalen
