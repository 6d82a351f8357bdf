// Word rules: delimiter table, number and digit tests, stopword look-up.
#include "indexer/engine/WordRules.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/Utf8Text.h"

namespace indexer {

namespace {

using platform::IndexCodePage;
using UpperTable = std::array<unsigned char, 256>;

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsAscii(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

constexpr UpperTable MakeAsciiUpperTable() {
    UpperTable table{};
    for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(platform::AsciiUpperChar(static_cast<char>(c)));
    return table;
}

constexpr UpperTable kAsciiUpperTable = MakeAsciiUpperTable();

const UpperTable& ByteUpperTable(IndexCodePage codePage) noexcept {
    switch (codePage) {
        case IndexCodePage::Windows1250: return platform::kCp1250UpperTable;
        case IndexCodePage::Utf8: return kAsciiUpperTable;
        default: return platform::kAnsiUpperTable;
    }
}

/// Hash of the upper-cased form of a text, so that look-ups need no copy.
std::uint64_t UpperHash(std::string_view text, const UpperTable& upper) noexcept {
    std::uint64_t hash = 1469598103934665603ULL;
    for (char c : text) {
        hash ^= upper[static_cast<unsigned char>(c)];
        hash *= 1099511628211ULL;
    }
    return hash;
}

/// True when `upperText` (already upper case) equals the upper-cased `token`.
bool EqualsUpper(std::string_view upperText, std::string_view token, const UpperTable& upper) noexcept {
    if (upperText.size() != token.size()) return false;
    for (std::size_t i = 0; i < token.size(); ++i)
        if (static_cast<unsigned char>(upperText[i]) != upper[static_cast<unsigned char>(token[i])]) return false;
    return true;
}

/// The user's delimiter string as the set's words see it: a Windows-1252
/// set takes it as it is, a Windows-1250 set converted, and a UTF-8 set
/// only its ASCII bytes (every other character has its Unicode class).
std::string DelimitersIn(IndexCodePage codePage, std::string_view delimiters) {
    switch (codePage) {
        case IndexCodePage::Windows1250:
            return platform::ConvertText(delimiters, platform::TextCharset::Windows1252, codePage);
        case IndexCodePage::Utf8: {
            std::string ascii;
            for (char c : delimiters)
                if (static_cast<unsigned char>(c) < 0x80) ascii.push_back(c);
            return ascii;
        }
        default: return std::string(delimiters);
    }
}

/// The stopword string in the set's code page, upper-cased by its rules.
std::string StopwordsIn(IndexCodePage codePage, const std::string& stopwords) {
    if (codePage == IndexCodePage::Windows1252) return stopwords;
    return platform::UpperIn(codePage, platform::ConvertText(stopwords, platform::TextCharset::Windows1252, codePage));
}

}  // namespace

WordRules::WordRules(const WordSettings& settings)
    : codePage_(settings.codePage),
      upperTable_(&ByteUpperTable(settings.codePage)),
      stopwordString_(StopwordsIn(settings.codePage, settings.stopwordString)),
      digitmin_(settings.digitmin),
      digitmax_(settings.digitmax) {
    for (char c : DelimitersIn(codePage_, settings.delimiters)) inSet_[static_cast<unsigned char>(c)] = true;
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

std::size_t WordRules::StoredWordOf(std::string_view token, char* out, bool& whole) const {
    if (codePage_ != IndexCodePage::Utf8 || IsAscii(token.substr(0, kStoredWordLength))) {
        // Every byte is a character of its own: the first bytes are the cut.
        const UpperTable& upper = *upperTable_;
        const std::size_t length = std::min(token.size(), kStoredWordLength);
        for (std::size_t i = 0; i < length; ++i)
            out[i] = static_cast<char>(upper[static_cast<unsigned char>(token[i])]);
        whole = token.size() <= kStoredWordLength;
        return length;
    }
    // Upper-casing may change a character's byte count, so the cut comes after it.
    const std::string upper = platform::UpperIn(codePage_, token);
    const std::size_t length = platform::Utf8CutLength(upper, kStoredWordLength);
    std::memcpy(out, upper.data(), length);
    whole = length == upper.size();
    return length;
}

std::string_view WordRules::UpperForLookup(std::string_view token, std::string& buffer) const {
    if (codePage_ != IndexCodePage::Utf8 || IsAscii(token)) return token;
    buffer = platform::UpperIn(codePage_, token);
    return buffer;
}

bool WordRules::IsStopword(std::string_view token) const {
    std::string upperBuffer;
    token = UpperForLookup(token, upperBuffer);
    // ",TOKEN," can only occur in a string that is longer than the token.
    if (token.size() + 2 > stopwordString_.size()) return false;
    // A token without a comma matches exactly when it equals one of the
    // fields between two neighbouring commas of the stopword string.
    if (!token.empty() && token.find(',') == std::string_view::npos) return IsStopwordField(token);
    return StopwordStringContains(token);
}

bool WordRules::IsStopwordField(std::string_view token) const noexcept {
    if (fieldSlots_.empty()) return false;
    for (std::size_t slot = UpperHash(token, *upperTable_) & fieldMask_;; slot = (slot + 1) & fieldMask_) {
        const auto [offset, length] = fieldSlots_[slot];
        if (length == 0) return false;
        if (EqualsUpper(std::string_view(stopwordString_).substr(offset, length), token, *upperTable_)) return true;
    }
}

bool WordRules::StopwordStringContains(std::string_view token) const {
    const std::string_view text = stopwordString_;
    const std::size_t span = token.size() + 2;
    for (std::size_t start = text.find(','); start != std::string_view::npos && start + span <= text.size();
         start = text.find(',', start + 1)) {
        if (text[start + span - 1] == ',' && EqualsUpper(text.substr(start + 1, token.size()), token, *upperTable_))
            return true;
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
        std::size_t slot = UpperHash(word, *upperTable_) & fieldMask_;
        while (fieldSlots_[slot].second != 0) slot = (slot + 1) & fieldMask_;
        fieldSlots_[slot] = field;
    }
}

}  // namespace indexer
