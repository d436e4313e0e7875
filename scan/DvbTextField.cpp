#include "scan/DvbTextField.h"

#include "text/DvbText.h"

namespace scan {

std::optional<ByteSpan> TakeLengthPrefixed(ByteSpan bytes, std::size_t& at) {
    if (at >= bytes.size() || bytes.size() - at - 1 < bytes[at]) return std::nullopt;
    const ByteSpan field = bytes.subspan(at + 1, bytes[at]);
    at += 1 + field.size();
    return field;
}

std::string DecodeSiText(ByteSpan text) {
    return DecodeDvbTextToUtf8(text, kDvbServiceInfoDefaultCodePage).value_or(std::string());
}

}  // namespace scan
