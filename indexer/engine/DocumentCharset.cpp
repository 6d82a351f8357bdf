// Finding a document's declared character set in its first bytes.
#include "indexer/engine/DocumentCharset.h"

#include <initializer_list>

#include "platform/CodePage.h"

namespace indexer {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsHtmlSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool StartsWithAscii(std::string_view text, std::string_view upperPrefix) noexcept {
    return text.size() >= upperPrefix.size() &&
           platform::AsciiEqualsIgnoreCase(text.substr(0, upperPrefix.size()), upperPrefix);
}

std::string_view TrimHtmlSpaces(std::string_view text) noexcept {
    while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

/// Walks the attributes of one tag in a text that may end before the tag does.
class AttributeScanner {
public:
    AttributeScanner(std::string_view text, std::size_t position) : text_(text), position_(position) {}

    /// Reads the next attribute into `name` and `value` (empty without "=").
    /// Returns false at the tag's '>' (then Complete() is true) or when the
    /// text ends inside the tag.
    bool Next(std::string_view& name, std::string_view& value) {
        while (position_ < text_.size() && (IsHtmlSpace(text_[position_]) || text_[position_] == '/')) ++position_;
        if (position_ >= text_.size()) return false;
        if (text_[position_] == '>') {
            complete_ = true;
            return false;
        }
        name = TakeWhile([](char c) { return !IsHtmlSpace(c) && c != '=' && c != '>' && c != '/'; });
        value = {};
        SkipSpaces();
        if (position_ >= text_.size() || text_[position_] != '=') return true;
        ++position_;
        SkipSpaces();
        if (position_ >= text_.size()) return false;
        const char quote = text_[position_];
        if (quote == '"' || quote == '\'') {
            const std::size_t close = text_.find(quote, position_ + 1);
            if (close == std::string_view::npos) return false;
            value = text_.substr(position_ + 1, close - position_ - 1);
            position_ = close + 1;
            return true;
        }
        value = TakeWhile([](char c) { return !IsHtmlSpace(c) && c != '>'; });
        return true;
    }

    /// True when the tag's closing '>' was reached.
    bool Complete() const noexcept { return complete_; }
    /// Where the scan stands: after the tag once it is complete.
    std::size_t Position() const noexcept { return complete_ ? position_ + 1 : position_; }

private:
    template <typename Predicate>
    std::string_view TakeWhile(Predicate keep) {
        const std::size_t start = position_;
        while (position_ < text_.size() && keep(text_[position_])) ++position_;
        return text_.substr(start, position_ - start);
    }

    void SkipSpaces() {
        while (position_ < text_.size() && IsHtmlSpace(text_[position_])) ++position_;
    }

    std::string_view text_;
    std::size_t position_;
    bool complete_ = false;
};

/// The name after "charset=" in a Content-Type value; empty when none.
std::string_view CharsetInContentType(std::string_view content) noexcept {
    for (std::size_t at = 0; at + 7 <= content.size(); ++at) {
        if (!StartsWithAscii(content.substr(at), "CHARSET")) continue;
        std::string_view rest = TrimHtmlSpaces(content.substr(at + 7));
        if (rest.empty() || rest.front() != '=') continue;
        rest = TrimHtmlSpaces(rest.substr(1));
        if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
            const char quote = rest.front();
            rest.remove_prefix(1);
            return rest.substr(0, rest.find(quote));
        }
        std::size_t end = 0;
        while (end < rest.size() && rest[end] != ';' && !IsHtmlSpace(rest[end])) ++end;
        return rest.substr(0, end);
    }
    return {};
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> upperNames) noexcept {
    for (std::string_view upper : upperNames)
        if (platform::AsciiEqualsIgnoreCase(name, upper)) return true;
    return false;
}

DocumentCharset CharsetOfName(std::string_view name) noexcept {
    name = TrimHtmlSpaces(name);
    if (IsOneOf(name, {"UTF-8", "UTF8"})) return DocumentCharset::Utf8;
    if (IsOneOf(name, {"WINDOWS-1250", "CP1250", "X-CP1250"})) return DocumentCharset::Windows1250;
    if (IsOneOf(name, {"ISO-8859-2", "ISO8859-2", "ISO_8859-2", "LATIN2", "L2"})) return DocumentCharset::Iso88592;
    return DocumentCharset::Windows1252;
}

/// The character set a META tag declares, reading its attributes from
/// `scanner`; nothing when the tag declares none or ends past the text.
std::optional<DocumentCharset> MetaDeclaration(AttributeScanner& scanner) noexcept {
    std::optional<std::string_view> charset;
    std::optional<std::string_view> httpEquiv;
    std::optional<std::string_view> content;
    std::string_view name;
    std::string_view value;
    // The first of several attributes of one name counts.
    while (scanner.Next(name, value)) {
        if (!charset && platform::AsciiEqualsIgnoreCase(name, "CHARSET")) charset = value;
        else if (!httpEquiv && platform::AsciiEqualsIgnoreCase(name, "HTTP-EQUIV")) httpEquiv = value;
        else if (!content && platform::AsciiEqualsIgnoreCase(name, "CONTENT")) content = value;
    }
    if (!scanner.Complete()) return std::nullopt;
    if (charset && !TrimHtmlSpaces(*charset).empty()) return CharsetOfName(*charset);
    if (!httpEquiv || !content || !platform::AsciiEqualsIgnoreCase(TrimHtmlSpaces(*httpEquiv), "CONTENT-TYPE"))
        return std::nullopt;
    const std::string_view declared = CharsetInContentType(*content);
    if (TrimHtmlSpaces(declared).empty()) return std::nullopt;
    return CharsetOfName(declared);
}

}  // namespace

platform::TextCharset TextCharsetOf(DocumentCharset charset) noexcept {
    switch (charset) {
        case DocumentCharset::Utf8: return platform::TextCharset::Utf8;
        case DocumentCharset::Windows1250: return platform::TextCharset::Windows1250;
        case DocumentCharset::Iso88592: return platform::TextCharset::Iso88592;
        default: return platform::TextCharset::Windows1252;
    }
}

std::string_view CharsetSettingName(DocumentCharset charset) noexcept {
    switch (charset) {
        case DocumentCharset::Utf8: return "utf-8";
        case DocumentCharset::Windows1250: return "windows-1250";
        case DocumentCharset::Iso88592: return "iso-8859-2";
        default: return "windows-1252";
    }
}

std::optional<DocumentCharset> ParseCharsetSetting(std::string_view name) noexcept {
    if (platform::AsciiEqualsIgnoreCase(name, "UTF-8")) return DocumentCharset::Utf8;
    if (platform::AsciiEqualsIgnoreCase(name, "WINDOWS-1252")) return DocumentCharset::Windows1252;
    if (platform::AsciiEqualsIgnoreCase(name, "WINDOWS-1250")) return DocumentCharset::Windows1250;
    return std::nullopt;
}

std::optional<DocumentCharset> DeclaredCharset(std::string_view head) noexcept {
    if (head.starts_with(kByteOrderMark)) return DocumentCharset::Utf8;
    head = head.substr(0, kCharsetDeclarationWindow);
    std::size_t position = 0;
    while ((position = head.find('<', position)) != std::string_view::npos) {
        const std::string_view rest = head.substr(position);
        if (rest.starts_with("<!--")) {
            const std::size_t end = head.find("-->", position + 4);
            if (end == std::string_view::npos) return std::nullopt;
            position = end + 3;
            continue;
        }
        if (!StartsWithAscii(rest, "<META") || rest.size() <= 5 || !(IsHtmlSpace(rest[5]) || rest[5] == '/')) {
            ++position;
            continue;
        }
        AttributeScanner scanner(head, position + 5);
        const std::optional<DocumentCharset> declared = MetaDeclaration(scanner);
        if (declared) return declared;
        if (!scanner.Complete()) return std::nullopt;
        position = scanner.Position();
    }
    return std::nullopt;
}

}  // namespace indexer
