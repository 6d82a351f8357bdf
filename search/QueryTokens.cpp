// Cutting a query into tokens.
#include "search/QueryTokens.h"

#include <algorithm>

namespace search {

void QueryTokenizer::Clear() noexcept {
    text_.clear();
    delimiters_.clear();
    position_ = 0;
    length_ = 0;
}

void QueryTokenizer::Start(std::string_view text, std::string_view delimiters) {
    text_.assign(text.substr(0, kMaxTokenText));
    delimiters_.assign(delimiters.substr(0, kMaxTokenText));
    position_ = 1;
    length_ = text_.size();
}

bool QueryTokenizer::Next(std::string& token) {
    if (position_ == 0 || position_ > length_) return false;
    const std::size_t from = position_ - 1;
    const std::size_t delimiter = text_.find_first_of(delimiters_, from);
    if (delimiter == std::string::npos) {
        token.assign(text_, from);
        position_ = length_ + 1;
    } else {
        token.assign(text_, from, delimiter - from);
        position_ = delimiter + 2;
    }
    return true;
}

namespace {
/// The program's tokenizer, one per thread: the workers of a FastCGI server
/// evaluate queries side by side, and each evaluation starts it anew.
thread_local QueryTokenizer programTokenizer;
}  // namespace

void ClearTokens() noexcept { programTokenizer.Clear(); }

void StartTokens(std::string_view text, std::string_view delimiters) { programTokenizer.Start(text, delimiters); }

bool NextToken(std::string& token) { return programTokenizer.Next(token); }

}  // namespace search
