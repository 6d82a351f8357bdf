// The query tokenizer: cuts a query into tokens at a set of delimiter
// characters, one token per call. The search program has one tokenizer per
// thread, at module level, shared by the evaluations of that thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace search {

/// Longest text the tokenizer splits: positions are 8-bit counts, so a
/// longer text is cut to its first 255 characters.
inline constexpr std::size_t kMaxTokenText = 255;

/// One tokenizer's state. Positions count from 1.
class QueryTokenizer {
public:
    constexpr QueryTokenizer() = default;

    /// Empties the text and the delimiters.
    void Clear() noexcept;
    /// Splits `text` (cut to 255 characters) at any of `delimiters` from its
    /// first character on.
    void Start(std::string_view text, std::string_view delimiters);
    /// The next token: the text from the current position up to the next
    /// delimiter (empty when a delimiter stands at the position), or the rest
    /// of the text. False once the position is past the end of the text.
    bool Next(std::string& token);

private:
    std::string text_;
    std::string delimiters_;
    std::size_t position_ = 0;
    std::size_t length_ = 0;
};

/// The calling thread's tokenizer, used by the query evaluation.
void ClearTokens() noexcept;
void StartTokens(std::string_view text, std::string_view delimiters);
bool NextToken(std::string& token);

}  // namespace search
