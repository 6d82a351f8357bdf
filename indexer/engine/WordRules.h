// Word rules: which bytes end a word, which tokens are numbers, which numbers
// and stopwords are dropped, and how long a stored word may be.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "indexfiles/IndexFiles.h"
#include "platform/CodePage.h"

namespace indexer {

/// The user's delimiter string when none is set: ~ ; : ? . " , ! blank ( ) + = - * / ' < > { } [ ] # & % $
/// and the en dash of Windows-1252 (0x96). Defined here and nowhere else.
inline constexpr std::string_view kDefaultDelimiters = "~;:?.\",! ()+=-*/'<>{}[]#&%$\x96";
static_assert(kDefaultDelimiters.size() == 28);

/// Bytes that end a word whatever the user's delimiter string holds.
inline constexpr std::string_view kFixedDelimiters = "\r\n\t";

/// A word enters the index as its upper-cased form cut to this many bytes:
/// the word field of the index files.
inline constexpr std::size_t kStoredWordLength = indexfiles::kWordWidth;

/// The settings a run hands to the word rules.
struct WordSettings {
    /// The user's delimiter string; CR, LF and Tab are always added to it.
    std::string delimiters{kDefaultDelimiters};
    /// "," followed by every upper-cased stopword and a ",": ",THE,AND,".
    std::string stopwordString = ",";
    /// Fewest digits an indexed number has; 0 or below indexes no number.
    std::int32_t digitmin = 0;
    /// Most digits an indexed number has; 0, negative or below digitmin: no bound.
    std::int32_t digitmax = 0;
    /// The code page of the index set the words go into. The delimiter and
    /// stopword strings above are Windows-1252 text whatever it is.
    platform::IndexCodePage codePage = platform::IndexCodePage::Windows1252;
};

/// The word rules of one run, built once from its settings. Immutable and
/// free of allocation once constructed; every test is a few table look-ups.
/// Positions are 0-based indexes into a line (the line's length is its size).
class WordRules {
public:
    explicit WordRules(const WordSettings& settings);

    /// The code page of the index set the words go into.
    platform::IndexCodePage CodePage() const noexcept { return codePage_; }

    /// True when the byte belongs to the delimiter set (the user's string plus
    /// CR, LF and Tab), before the number exceptions of IsDelimiter.
    bool InDelimiterSet(char c) const noexcept { return inSet_[static_cast<unsigned char>(c)]; }

    /// True when the byte at `index` of `line` ends a word. A byte outside the
    /// set never does; the last byte of the line always does when in the set.
    /// A '.' between a digit (or the line start, or a delimiter) and a digit,
    /// and a ',' between two digits, do not. Requires index < line.size().
    bool IsDelimiter(std::string_view line, std::size_t index) const noexcept;

    /// The digit count of a token that is a number once every ',' and '.' is
    /// removed (only ASCII digits remain, at least one), else -1.
    static int NumberDigits(std::string_view token) noexcept;

    /// True when a number of `digits` digits (>= 0) may be indexed.
    bool PassesDigitRule(int digits) const noexcept;

    /// True when the upper-cased token, framed by commas, occurs in the
    /// stopword string. The token may be in any case; the whole token counts.
    bool IsStopword(std::string_view token) const;

    /// The whole decision for a token taken from text: not a stopword, and not
    /// a number or a number that passes the digit rule. Case does not matter.
    bool AcceptWord(std::string_view token) const;

    /// Upper-cases the first kStoredWordLength bytes of a Windows-1252 token
    /// into `out` (which holds at least kStoredWordLength bytes); returns the
    /// byte count.
    static std::size_t StoredWord(std::string_view token, char* out) noexcept;

    /// The stored form of a token in the rules' code page, into `out` (at
    /// least kStoredWordLength bytes); returns its byte count. A UTF-8 token
    /// is upper-cased whole and then cut at a character boundary. `whole`
    /// tells whether the stored form is the token's entire upper-case form.
    std::size_t StoredWordOf(std::string_view token, char* out, bool& whole) const;

private:
    /// Finds a comma-free upper-cased token among the stopword string's fields.
    bool IsStopwordField(std::string_view token) const noexcept;
    /// Plain search of ",TOKEN," in the stopword string (tokens with commas).
    bool StopwordStringContains(std::string_view token) const;
    void BuildStopwordFields();

    /// The upper-case form of a token that a stopword look-up compares,
    /// for a token of a UTF-8 set that is not plain ASCII.
    std::string_view UpperForLookup(std::string_view token, std::string& buffer) const;

    platform::IndexCodePage codePage_;
    /// Upper-casing of single bytes: the code page's table, or ASCII only in
    /// a UTF-8 set (whose other characters UpperForLookup handles).
    const std::array<unsigned char, 256>* upperTable_;
    std::array<bool, 256> inSet_{};
    bool dotInSet_ = false;
    bool commaInSet_ = false;
    std::string stopwordString_;
    std::int32_t digitmin_;
    std::int32_t digitmax_;
    /// Open-addressed table of the stopword string's comma-separated fields,
    /// as (offset, length) pairs into stopwordString_; length 0 marks a free slot.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> fieldSlots_;
    std::size_t fieldMask_ = 0;
};

}  // namespace indexer
