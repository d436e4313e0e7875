// What a list conversion could not carry over as it was, one line of text per remark, in the
// order met. Outside files can hold any number of bad lines, so only the first kMaxLines are
// kept and the rest are counted.
//
// Not shared between threads; one object per conversion.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orvalen {

class ConversionNotes {
public:
    static constexpr std::size_t kMaxLines = 1000;

    void Add(std::string line) {
        if (lines_.size() < kMaxLines) {
            lines_.push_back(std::move(line));
        } else {
            ++unkept_;
        }
    }
    const std::vector<std::string>& lines() const { return lines_; }
    // Remarks past kMaxLines, counted but not kept.
    std::size_t unkept() const { return unkept_; }

private:
    std::vector<std::string> lines_;
    std::size_t unkept_ = 0;
};

}  // namespace orvalen
