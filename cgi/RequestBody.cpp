// The announced request length, the multipart test and the dropping of an
// unread body.
#include "cgi/RequestBody.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

#include "cgi/HttpEng.h"
#include "platform/CodePage.h"

namespace cgi {

TContentLength ParseContentLength(std::string_view text) noexcept {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool wholeText = end == text.data() + text.size();
    TContentLength length;
    if (error == std::errc::result_out_of_range) {
        const bool negative = text.front() == '-';
        length.startsAboveRange = !negative;
        if (wholeText) length.kind = negative ? TLengthKind::BelowRange : TLengthKind::AboveRange;
        return length;
    }
    if (error == std::errc() && wholeText) {
        length.kind = TLengthKind::Number;
        length.value = value;
    }
    return length;
}

long long BodyLengthForReadLimit(std::string_view text) noexcept {
    const TContentLength length = ParseContentLength(text);
    if (length.startsAboveRange) return std::numeric_limits<std::int32_t>::max();
    return length.OrAboveRange(0);
}

int TContentLength::AsInt() const noexcept {
    const bool fitsInt = value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
    return kind == TLengthKind::Number && fitsInt ? static_cast<int>(value) : 0;
}

long long TContentLength::OrAboveRange(long long aboveRange) const noexcept {
    if (kind == TLengthKind::Number) return value;
    return kind == TLengthKind::AboveRange ? aboveRange : 0;
}

bool IsMultipartFormData(std::string_view contentType) {
    return platform::AnsiUpper(contentType).find("MULTIPART/FORM-DATA;") != std::string::npos;
}

void DropUnreadBody(THttpEngine& engine, int readLimit) {
    const long long length = ParseContentLength(engine.GetServerVariable("CONTENT LENGTH"))
                                 .OrAboveRange(std::numeric_limits<long long>::max());
    if (length <= 0 || (length <= readLimit && !IsMultipartFormData(engine.GetContentType()))) return;
    std::array<char, 65536> sink;
    long long left = std::min(length, kMaxDroppedBody);
    while (left > 0) {
        const int wanted = static_cast<int>(std::min<long long>(left, static_cast<long long>(sink.size())));
        const int got = engine.ReadInput(sink.data(), wanted);
        if (got <= 0) break;
        left -= got;
    }
}

}  // namespace cgi
