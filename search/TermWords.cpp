// Cutting a UTF-8 query term into the words of a UTF-8 index set.
#include "search/TermWords.h"

#include <cstddef>

#include "platform/Utf8Text.h"

namespace search {
namespace {

enum class PieceKind { Run, OwnWord };

/// What one character does to the words of a term.
enum class CharacterRole {
    RunLetter,  ///< continues a run, or starts one after a character word
    OwnWord,    ///< a word of its own
    Attached,   ///< belongs to the word before it (a mark, a wildcard)
    Separator,  ///< ends the word before it and belongs to none
};

CharacterRole RoleOf(std::string_view term, std::size_t at, std::size_t& length) {
    const auto byte = static_cast<unsigned char>(term[at]);
    length = 1;
    if (byte < 0x80) return byte == '*' || byte == '?' ? CharacterRole::Attached : CharacterRole::RunLetter;
    char32_t codePoint = 0;
    length = platform::DecodeUtf8(term, at, codePoint);
    if (length == 0) {
        length = 1;
        return CharacterRole::RunLetter;
    }
    switch (platform::WordClassOf(codePoint)) {
        case platform::UnicodeWordClass::OwnWord: return CharacterRole::OwnWord;
        case platform::UnicodeWordClass::Mark: return CharacterRole::Attached;
        case platform::UnicodeWordClass::Delimiter: return CharacterRole::Separator;
        default: return CharacterRole::RunLetter;
    }
}

bool IsAscii(std::string_view text) noexcept {
    for (const char ch : text)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

}  // namespace

std::vector<std::string_view> SplitTermIntoWords(std::string_view term) {
    if (IsAscii(term)) return {term};
    std::vector<std::string_view> words;
    std::size_t start = 0;
    std::size_t end = 0;  // the word being gathered is term[start, end)
    PieceKind kind = PieceKind::Run;
    const auto finish = [&] {
        if (end > start) words.push_back(term.substr(start, end - start));
    };
    for (std::size_t at = 0; at < term.size();) {
        std::size_t length = 1;
        const CharacterRole role = RoleOf(term, at, length);
        switch (role) {
            case CharacterRole::Attached: break;
            case CharacterRole::Separator: finish(); break;
            case CharacterRole::OwnWord:
                finish();
                start = at;
                kind = PieceKind::OwnWord;
                break;
            case CharacterRole::RunLetter:
                if (end == start || kind == PieceKind::OwnWord) {
                    finish();
                    start = at;
                    kind = PieceKind::Run;
                }
                break;
        }
        if (role == CharacterRole::Separator) {
            start = at + length;
            end = start;
        } else {
            if (end == start && role == CharacterRole::Attached) {
                start = at;
                kind = PieceKind::Run;
            }
            end = at + length;
        }
        at += length;
    }
    finish();
    return words;
}

}  // namespace search
