// Where the commas of a line stand, one bit per UTF-16 unit of a line buffer of up to kUnits
// units. The text reader marks them while it widens a line's bytes, so that cutting the line into
// fields does not look at every unit a second time.
//
// Pure data; one object per reader and line buffer.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace orvalen {

class CommaMap {
public:
    static constexpr std::size_t kUnits = 1024;

    void Clear() {
        for (std::size_t i = 0; i < used_; ++i) words_[i] = 0;
        used_ = 0;
    }

    // Marks the units at `at` + i for each bit i set in `bits`; `at` + 31 must be below kUnits
    // when any of the upper bits can be set, and `at` below kUnits always.
    void Mark(std::size_t at, std::uint32_t bits) {
        const std::size_t word = at / 64;
        const std::size_t shift = at % 64;
        words_[word] |= std::uint64_t{bits} << shift;
        // The spare word at the end takes what a block near the end carries over.
        if (shift > 32) words_[word + 1] |= std::uint64_t{bits} >> (64 - shift);
        used_ = std::max(used_, word + 2);
    }

    // The marks of units 64 * `index` to 64 * `index` + 63, the lowest bit the first unit;
    // `index` below kUnits / 64.
    std::uint64_t Word(std::size_t index) const { return words_[index]; }

private:
    std::array<std::uint64_t, kUnits / 64 + 1> words_{};
    std::size_t used_ = 0;  // the words past these are all clear, so Clear leaves them alone
};

}  // namespace orvalen
