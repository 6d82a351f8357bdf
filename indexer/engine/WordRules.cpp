// Word rules: delimiter table, number and digit tests, stopword look-up.
#include "indexer/engine/WordRules.h"

#include <algorithm>
#include <bit>

#include "platform/CodePage.h"

namespace indexer {

namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

/// Hash of the upper-cased form of a text, so that look-ups need no copy.
std::uint64_t UpperHash(std::string_view text) noexcept {
    std::uint64_t hash = 1469598103934665603ULL;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(platform::AnsiUpperChar(c));
        hash *= 1099511628211ULL;
    }
    return hash;
}

/// True when `upper` (already upper case) equals the upper-cased `token`.
bool EqualsUpper(std::string_view upper, std::string_view token) noexcept {
    if (upper.size() != token.size()) return false;
    for (std::size_t i = 0; i < token.size(); ++i)
        if (upper[i] != platform::AnsiUpperChar(token[i])) return false;
    return true;
}

}  // namespace

WordRules::WordRules(const WordSettings& settings)
    : stopwordString_(settings.stopwordString), digitmin_(settings.digitmin), digitmax_(settings.digitmax) {
    for (char c : settings.delimiters) inSet_[static_cast<unsigned char>(c)] = true;
    for (char c : kFixedDelimiters) inSet_[static_cast<unsigned char>(c)] = true;
    dotInSet_ = InDelimiterSet('.');
    commaInSet_ = InDelimiterSet(',');
    BuildStopwordFields();
}

bool WordRules::IsDelimiter(std::string_view line, std::size_t index) const noexcept {
    const char c = line[index];
    if (!InDelimiterSet(c)) return false;
    const std::size_t last = line.size() - 1;
    if (index == last) return true;
    const char next = line[index + 1];
    if (c == '.') {
        // A decimal point or a leading point of a number: "3.14", ".5", " .5".
        if (!IsDigit(next) || InDelimiterSet(next)) return true;
        if (index == 0) return false;
        const char previous = line[index - 1];
        return !(IsDigit(previous) || InDelimiterSet(previous));
    }
    if (c == ',') {
        // A thousands separator: "1,000".
        return !(index > 0 && IsDigit(line[index - 1]) && IsDigit(next));
    }
    return true;
}

int WordRules::NumberDigits(std::string_view token) noexcept {
    int digits = 0;
    for (char c : token) {
        if (c == ',' || c == '.') continue;
        if (!IsDigit(c)) return -1;
        ++digits;
    }
    return digits > 0 ? digits : -1;
}

bool WordRules::PassesDigitRule(int digits) const noexcept {
    if (digitmin_ <= 0 || digits < digitmin_) return false;
    const bool unbounded = digitmax_ <= 0 || digitmax_ < digitmin_;
    return unbounded || digits <= digitmax_;
}

bool WordRules::AcceptWord(std::string_view token) const {
    // Digits, ',' and '.' are the same in either case, so the number test
    // needs no upper-casing; it runs first because it is the cheaper one.
    const int digits = NumberDigits(token);
    if (digits >= 0 && !PassesDigitRule(digits)) return false;
    return !IsStopword(token);
}

std::size_t WordRules::StoredWord(std::string_view token, char* out) noexcept {
    const std::size_t length = std::min(token.size(), kStoredWordLength);
    for (std::size_t i = 0; i < length; ++i) out[i] = platform::AnsiUpperChar(token[i]);
    return length;
}

bool WordRules::IsStopword(std::string_view token) const {
    // ",TOKEN," can only occur in a string that is longer than the token.
    if (token.size() + 2 > stopwordString_.size()) return false;
    // A token without a comma matches exactly when it equals one of the
    // fields between two neighbouring commas of the stopword string.
    if (!token.empty() && token.find(',') == std::string_view::npos) return IsStopwordField(token);
    return StopwordStringContains(token);
}

bool WordRules::IsStopwordField(std::string_view token) const noexcept {
    if (fieldSlots_.empty()) return false;
    for (std::size_t slot = UpperHash(token) & fieldMask_;; slot = (slot + 1) & fieldMask_) {
        const auto [offset, length] = fieldSlots_[slot];
        if (length == 0) return false;
        if (EqualsUpper(std::string_view(stopwordString_).substr(offset, length), token)) return true;
    }
}

bool WordRules::StopwordStringContains(std::string_view token) const {
    const std::string_view text = stopwordString_;
    const std::size_t span = token.size() + 2;
    for (std::size_t start = text.find(','); start != std::string_view::npos && start + span <= text.size();
         start = text.find(',', start + 1)) {
        if (text[start + span - 1] == ',' && EqualsUpper(text.substr(start + 1, token.size()), token)) return true;
    }
    return false;
}

void WordRules::BuildStopwordFields() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> fields;
    const std::string_view text = stopwordString_;
    std::size_t comma = text.find(',');
    while (comma != std::string_view::npos) {
        const std::size_t next = text.find(',', comma + 1);
        if (next == std::string_view::npos) break;
        if (next > comma + 1)
            fields.emplace_back(static_cast<std::uint32_t>(comma + 1), static_cast<std::uint32_t>(next - comma - 1));
        comma = next;
    }
    if (fields.empty()) return;
    const std::size_t capacity = std::bit_ceil(fields.size() * 2);
    fieldSlots_.assign(capacity, {0, 0});
    fieldMask_ = capacity - 1;
    for (const auto& field : fields) {
        const std::string_view word = text.substr(field.first, field.second);
        std::size_t slot = UpperHash(word) & fieldMask_;
        while (fieldSlots_[slot].second != 0) slot = (slot + 1) & fieldMask_;
        fieldSlots_[slot] = field;
    }
}

}  // namespace indexer
