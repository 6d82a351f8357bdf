// The order of the dictionary and how a query term is placed in it: the
// 27-byte blank-padded word field compared byte by byte as unsigned values.
#pragma once

#include <string_view>

namespace search {

/// Compares a dictionary word field (exactly 27 bytes, blank-padded) with an
/// exact term in the dictionary's own order: the term counts as blank-padded
/// to 27 bytes, and a term longer than 27 bytes sorts after the field that
/// holds its first 27. Returns <0, 0 or >0. 0 means the field holds the term.
int CompareFieldWithTerm(std::string_view field, std::string_view term) noexcept;

/// Compares the first bytes of a word field with a wildcard prefix: 0 when
/// the word begins with the prefix, <0 when the field sorts before every word
/// that does, >0 when after. A prefix longer than 27 bytes begins no word, so
/// a field equal to its first 27 bytes sorts before it.
int CompareFieldWithPrefix(std::string_view field, std::string_view prefix) noexcept;

/// Whether a word matches a wildcard term split at its first "*": it begins
/// with `prefix` and, unless `suffix` is empty, ends with `suffix`. The two
/// tests are independent, so prefix and suffix may overlap in the word.
bool MatchesWildcard(std::string_view word, std::string_view prefix, std::string_view suffix) noexcept;

}  // namespace search
