#include "channels/WideTextReader.h"

#include <cstdint>
#include <cstring>

#include "channels/PlainTextCopy.h"
#include "channels/Utf8Decoder.h"

namespace orvalen {

namespace {

// The longest look-ahead decoding needs: a UTF-8 character, or a UTF-16 unit and a CR LF's LF.
constexpr std::size_t kLookAhead = 4;

}  // namespace

WideTextReader::WideTextReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
    SkipByteOrderMark();
}

WideTextReader::WideTextReader(ByteSource& source) : source_(&source), chunk_(kChunkBytes) {
    SkipByteOrderMark();
}

std::size_t WideTextReader::Refill(std::size_t wanted) {
    std::size_t left = bytes_.size() - pos_;
    if (left > 0) std::memmove(chunk_.data(), bytes_.data() + pos_, left);
    while (left < wanted && !sourceEnded_) {
        const std::size_t got = source_->Read(chunk_.data() + left, chunk_.size() - left);
        sourceEnded_ = got == 0;
        left += got;
    }
    bytes_ = std::span<const std::uint8_t>(chunk_.data(), left);
    pos_ = 0;
    return left;
}

void WideTextReader::SkipByteOrderMark() {
    Available(3);
    if (bytes_.size() >= 3 && bytes_[0] == 0xEF && bytes_[1] == 0xBB && bytes_[2] == 0xBF) {
        pos_ = 3;
    } else if (bytes_.size() >= 2 && bytes_[0] == 0xFF && bytes_[1] == 0xFE) {
        pos_ = 2;
        encoding_ = Encoding::Utf16Le;
    }
}

char32_t WideTextReader::DecodeUtf8() {
    Available(kLookAhead);
    return orvalen::DecodeUtf8(bytes_, pos_);
}

int WideTextReader::DecodeNext(char16_t& first, char16_t& second) {
    if (encoding_ == Encoding::Utf16Le) {
        Available(kLookAhead);
        if (pos_ + 1 >= bytes_.size()) {
            pos_ = bytes_.size();  // a lone last byte is no code unit
            return 0;
        }
        char16_t unit = UnitAt(&bytes_[pos_]);
        pos_ += 2;
        if (unit == u'\r' && pos_ + 1 < bytes_.size() && bytes_[pos_] == 0x0A &&
            bytes_[pos_ + 1] == 0) {
            pos_ += 2;
            unit = u'\n';
        }
        first = unit;
        return 1;
    }
    char32_t cp = DecodeUtf8();
    if (cp == U'\r' && pos_ < bytes_.size() && bytes_[pos_] == 0x0A) {
        ++pos_;
        cp = U'\n';
    }
    if (cp < 0x10000) {
        first = static_cast<char16_t>(cp);
        return 1;
    }
    cp -= 0x10000;
    first = static_cast<char16_t>(0xD800 + (cp >> 10));
    second = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    return 2;
}

inline std::size_t WideTextReader::LineEndBytes() const {
    const std::uint8_t* const p = bytes_.data() + pos_;
    const std::size_t left = bytes_.size() - pos_;
    if (encoding_ == Encoding::Utf8) {
        if (p[0] == '\n') return 1;
        return p[0] == '\r' && left >= 2 && p[1] == '\n' ? 2 : 0;
    }
    if (left < 2) return 0;
    if (UnitAt(p) == u'\n') return 2;
    return UnitAt(p) == u'\r' && left >= 4 && UnitAt(p + 2) == u'\n' ? 4 : 0;
}

std::size_t WideTextReader::CopyPlainRun(char16_t* into, std::size_t room, CommaMap* commas,
                                         std::size_t at) {
    const std::uint8_t* const data = bytes_.data() + pos_;
    const std::size_t left = bytes_.size() - pos_;
    if (encoding_ == Encoding::Utf8) {
        std::size_t used = 0;
        const std::size_t run = CopyPlainUtf8(into, room, data, left, commas, at, used);
        pos_ += used;
        return run;
    }
    // A unit cut in two by the end of the chunk is left to the decoder, which reads on.
    const std::size_t units = left / 2;
    const std::size_t run = CopyPlainUtf16(into, data, room < units ? room : units, commas, at);
    pos_ += 2 * run;
    return run;
}

std::size_t WideTextReader::ReadLine(char16_t* buffer, std::size_t capacity, std::size_t* textUnits,
                                     CommaMap* commas) {
    if (commas) {
        commas->Clear();
        if (capacity > CommaMap::kUnits) capacity = CommaMap::kUnits;
    }
    std::size_t firstZero = SIZE_MAX;
    const std::size_t n = ReadUnits(buffer, capacity, firstZero, commas);
    if (textUnits) *textUnits = firstZero < n ? firstZero : n;
    return n;
}

std::size_t WideTextReader::ReadUnits(char16_t* buffer, std::size_t capacity,
                                      std::size_t& firstZero, CommaMap* commas) {
    if (capacity < 2) {
        if (capacity == 1) buffer[0] = 0;
        return 0;
    }
    const std::size_t limit = capacity - 1;
    std::size_t n = 0;
    if (pendingUnit_ != 0) {
        buffer[n++] = pendingUnit_;
        pendingUnit_ = 0;
    }
    while (n < limit && Available(1) > 0) {
        n += CopyPlainRun(buffer + n, limit - n, commas, n);
        if (n >= limit) break;
        if (pos_ >= bytes_.size()) continue;  // the chunk is used up; the next may go on
        // The usual line end, LF or CR LF, without the decoder.
        if (const std::size_t lineEnd = LineEndBytes()) {
            pos_ += lineEnd;
            buffer[n++] = u'\n';
            break;
        }
        char16_t first = 0, second = 0;
        const int units = DecodeNext(first, second);
        if (units == 0) break;
        if (first == 0 && firstZero == SIZE_MAX) firstZero = n;
        // A UTF-16LE comma that a chunk's end cut in two comes through the decoder.
        NoteUnit(first, commas, n);
        buffer[n++] = first;
        if (units == 2) {
            if (n < limit) {
                buffer[n++] = second;
            } else {
                pendingUnit_ = second;
            }
        }
        if (first == u'\n') break;
    }
    buffer[n] = 0;
    return n;
}

}  // namespace orvalen
