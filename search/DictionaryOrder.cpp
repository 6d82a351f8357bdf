// Placing query terms in the dictionary's byte order.
#include "search/DictionaryOrder.h"

#include <algorithm>
#include <cstring>

#include "indexfiles/IndexFiles.h"

namespace search {

using indexfiles::kWordWidth;

namespace {

int CompareBytes(std::string_view a, std::string_view b, std::size_t count) noexcept {
    const int result = std::memcmp(a.data(), b.data(), count);
    return (result > 0) - (result < 0);
}

}  // namespace

int CompareFieldWithTerm(std::string_view field, std::string_view term) noexcept {
    const std::size_t common = std::min({field.size(), term.size(), kWordWidth});
    if (const int result = CompareBytes(field, term, common); result != 0) return result;
    if (term.size() > kWordWidth) return -1;
    // The term ends here; the rest of the term's padded form is blanks.
    for (std::size_t i = common; i < field.size() && i < kWordWidth; ++i) {
        const auto byte = static_cast<unsigned char>(field[i]);
        if (byte != ' ') return byte < ' ' ? -1 : 1;
    }
    return 0;
}

int CompareFieldWithPrefix(std::string_view field, std::string_view prefix) noexcept {
    const std::size_t width = std::min(field.size(), kWordWidth);
    if (prefix.size() > width) {
        const int result = CompareBytes(field, prefix, width);
        return result != 0 ? result : -1;
    }
    return CompareBytes(field, prefix, prefix.size());
}

bool MatchesWildcard(std::string_view word, std::string_view prefix, std::string_view suffix) noexcept {
    return word.starts_with(prefix) && (suffix.empty() || word.ends_with(suffix));
}

}  // namespace search
