// The words of a query term in a UTF-8 index set. The indexer stores each
// Han, Hiragana, Katakana and Thai character as a word of its own and ends a
// word at any character that is no letter, mark or digit, so a term such as
// "東京" or "東京タワー" is looked up as the several words it holds.
#pragma once

#include <string_view>
#include <vector>

namespace search {

/// Cuts an upper-cased UTF-8 term into the words a UTF-8 set stores of it:
/// each Han, Hiragana, Katakana or Thai character (with the marks after it)
/// is one word; each run of other characters between them is one word; a
/// character of 128 or above that is no letter, mark or digit ends a word
/// and belongs to none. ASCII characters stay inside the run they stand in
/// (the set's own delimiter rules placed them), and so do the wildcards "*"
/// and "?", which also stay with the word before them. A term without such
/// characters is one word: the term itself. Malformed bytes count as
/// letters of a run.
std::vector<std::string_view> SplitTermIntoWords(std::string_view term);

}  // namespace search
