// Document reader: tags, comments, the title, META tags, hidden sections and
// words of one document, in one pass over its decoded lines.
#include "indexer/engine/DocumentReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "indexer/engine/EntityDecoder.h"
#include "platform/CodePage.h"
#include "platform/Utf8Text.h"

namespace indexer {

using indexfiles::FormatTocLine;
using indexfiles::FormatWorkEntry;
using indexfiles::kTocTitleWidth;
using indexfiles::kTocUrlWidth;
using platform::IndexCodePage;
using indexfiles::kWorkEntryCapacity;

// ---- Titles ------------------------------------------------------------------

std::string UndefinedTitle(std::string_view url) {
    std::string title = "Title for ";
    title.append(url);
    title.append(" is undefined");
    return title;
}

// ---- Words already met in the current document ------------------------------

namespace {

/// The words that the current document has already added (or, for tokens
/// of at most the stored length, already refused), so that a repeated word
/// costs one hash look-up instead of a word-list entry and a rule check.
/// A compact open-addressed table of 64-bit slots (hash in the high half,
/// word number + 1 in the low half) points into a dense array of words;
/// starting the next document empties only the slots that were used.
class SeenWords {
public:
    /// Added: the entry is in the word list. Refused: the rules refuse this
    /// exact word. Undecided: only a longer token with this stored form was
    /// refused, so the next token must be judged again.
    enum class Status : std::uint8_t { Added, Refused, Undecided };

    struct Word {
        std::uint32_t slot;
        std::uint8_t length;
        Status status;
        char text[kStoredWordLength];
    };

    SeenWords() : slots_(kInitialSlots, 0) {}

    void StartDocument() noexcept {
        for (const Word& word : words_) slots_[word.slot] = 0;
        words_.clear();
    }

    /// The entry of a stored word; `inserted` tells whether it was new, in
    /// which case the caller sets its status. The reference stays valid
    /// until the next call.
    Word& FindOrInsert(const char* text, std::size_t length, bool& inserted) {
        if ((words_.size() + 1) * 2 > slots_.size()) Grow();
        const std::uint64_t hash = Hash(text, length);
        const std::uint64_t tag = hash & kHashHalf;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t index = static_cast<std::size_t>(hash) & mask;; index = (index + 1) & mask) {
            const std::uint64_t slot = slots_[index];
            if (slot == 0) {
                Word& word = words_.emplace_back();
                word.slot = static_cast<std::uint32_t>(index);
                word.length = static_cast<std::uint8_t>(length);
                std::memcpy(word.text, text, length);
                slots_[index] = tag | words_.size();
                inserted = true;
                return word;
            }
            if ((slot & kHashHalf) != tag) continue;
            Word& word = words_[(slot & ~kHashHalf) - 1];
            if (word.length == length && std::memcmp(word.text, text, length) == 0) {
                inserted = false;
                return word;
            }
        }
    }

private:
    static constexpr std::size_t kInitialSlots = 1024;
    static constexpr std::uint64_t kHashHalf = 0xFFFFFFFF00000000ULL;

    /// Low bits pick the slot, high bits are kept in it to skip most
    /// comparisons of words.
    static std::uint64_t Hash(const char* text, std::size_t length) noexcept {
        std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ length;
        while (length > 0) {
            std::uint64_t chunk = 0;
            const std::size_t take = std::min<std::size_t>(length, 8);
            std::memcpy(&chunk, text, take);
            hash = (hash ^ chunk) * 0xFF51AFD7ED558CCDULL;
            hash ^= hash >> 29;
            text += take;
            length -= take;
        }
        return hash * 0xC4CEB9FE1A85EC53ULL;
    }

    void Grow() {
        slots_.assign(slots_.size() * 2, 0);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t number = 0; number < words_.size(); ++number) {
            Word& word = words_[number];
            const std::uint64_t hash = Hash(word.text, word.length);
            std::size_t index = static_cast<std::size_t>(hash) & mask;
            while (slots_[index] != 0) index = (index + 1) & mask;
            slots_[index] = (hash & kHashHalf) | (number + 1);
            word.slot = static_cast<std::uint32_t>(index);
        }
    }

    std::vector<std::uint64_t> slots_;
    std::vector<Word> words_;
};

/// What a byte means to the scanner outside tags.
enum class ByteClass : std::uint8_t {
    Word,       ///< not in the delimiter set
    Delimiter,  ///< in the set, always ends a word
    Point,      ///< '.' in the set: number exception
    Comma,      ///< ',' in the set: number exception
    TagOpen,    ///< '<', which opens a tag whatever the set holds
    NonAscii,   ///< a byte of a UTF-8 sequence in a UTF-8 set: its character's class decides
};

using ByteClasses = std::array<ByteClass, 256>;

ByteClasses ClassifyBytes(const WordRules& rules) {
    ByteClasses classes{};
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        ByteClass cls = ByteClass::Word;
        if (rules.InDelimiterSet(c))
            cls = c == '.' ? ByteClass::Point : c == ',' ? ByteClass::Comma : ByteClass::Delimiter;
        classes[static_cast<std::size_t>(byte)] = cls;
    }
    classes[static_cast<unsigned char>('<')] = ByteClass::TagOpen;
    if (rules.CodePage() == IndexCodePage::Utf8)
        for (int byte = 0x80; byte < 256; ++byte) classes[static_cast<std::size_t>(byte)] = ByteClass::NonAscii;
    return classes;
}

// ---- Tag texts ----------------------------------------------------------------

/// True when the text begins with `upperPrefix` by ASCII case rules.
bool StartsWithAscii(std::string_view text, std::string_view upperPrefix) noexcept {
    return text.size() >= upperPrefix.size() &&
           platform::AsciiEqualsIgnoreCase(text.substr(0, upperPrefix.size()), upperPrefix);
}

bool EqualsAscii(std::string_view text, std::string_view upperWord) noexcept {
    return platform::AsciiEqualsIgnoreCase(text, upperWord);
}

/// True when `upperWord` occurs anywhere in the text by ASCII case rules.
bool ContainsAscii(std::string_view text, std::string_view upperWord) noexcept {
    if (text.size() < upperWord.size()) return false;
    for (std::size_t start = 0; start + upperWord.size() <= text.size(); ++start)
        if (platform::AsciiEqualsIgnoreCase(text.substr(start, upperWord.size()), upperWord)) return true;
    return false;
}

bool IsBlankOrControl(char c) noexcept { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimBlanksAndControls(std::string_view text) noexcept {
    while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
    return text;
}

/// The value after the first `key` ("NAME=") in an upper-cased META tag
/// text: blanks skipped, then a quoted value up to the same quote or a bare
/// value up to the next blank, trimmed; empty when the key is missing.
std::string_view MetaValue(std::string_view tag, std::string_view key) noexcept {
    const std::size_t keyAt = tag.find(key);
    if (keyAt == std::string_view::npos) return {};
    std::string_view rest = tag.substr(keyAt + key.size());
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    char end = ' ';
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
        end = rest.front();
        rest.remove_prefix(1);
    }
    return TrimBlanksAndControls(rest.substr(0, rest.find(end)));
}

}  // namespace

// ---- Reader buffers -----------------------------------------------------------

struct DocumentReader::Buffers {
    std::string convertedLine;
    std::string convertedPiece;
    std::string decodedLine;
    std::string tagText;
    std::string upperTag;
    std::string titleText;
    SeenWords seenWords;
};

namespace {

/// The scanner state of one document, from its start to its table-of-contents line.
class DocumentScanner {
public:
    DocumentScanner(std::string& tagText, std::string& upperTag, std::string& titleText, SeenWords& seenWords,
                    const WordRules& rules, TTARVOStringList& words, int documentNumber, std::string_view url,
                    std::string_view entryTitle)
        : tagText_(tagText),
          upperTag_(upperTag),
          titleText_(titleText),
          seenWords_(seenWords),
          rules_(rules),
          classes_(ClassifyBytes(rules)),
          utf8_(rules.CodePage() == IndexCodePage::Utf8),
          words_(words),
          documentNumber_(documentNumber),
          url_(url) {
        tagText_.clear();
        titleText_.clear();
        seenWords_.StartDocument();
        if (!entryTitle.empty()) {
            lineTitle_.assign(entryTitle);
            titleFixed_ = true;
        } else {
            lineTitle_ = UndefinedTitle(url);
            titleText_ = lineTitle_;
        }
    }

    /// Scans one decoded, non-empty line.
    void ScanLine(std::string_view line) {
        std::size_t position = 0;
        while (position < line.size()) {
            if (inTag_) position = ScanTag(line, position);
            else if (inTitle_) position = ScanTitle(line, position);
            else position = ScanText(line, position);
        }
    }

    std::string TitleLine() const {
        if (!utf8_) return FormatTocLine(url_, lineTitle_);
        // A UTF-8 set's fields end at a character boundary.
        const std::string_view title = lineTitle_;
        return FormatTocLine(url_.substr(0, platform::Utf8CutLength(url_, kTocUrlWidth)),
                             title.substr(0, platform::Utf8CutLength(title, kTocTitleWidth)));
    }

private:
    ByteClass ClassOf(char c) const noexcept { return classes_[static_cast<unsigned char>(c)]; }

    /// IsDelimiter for a byte known to be in the set.
    bool EndsWord(std::string_view line, std::size_t position, ByteClass cls) const noexcept {
        return cls == ByteClass::Delimiter || rules_.IsDelimiter(line, position);
    }

    /// One step over the character at `position` of a UTF-8 set's text, a
    /// byte of 128 or above, within a word scan whose current word starts at
    /// `wordStart` (text.size() when none): a delimiter ends the word, a
    /// letter, digit or mark belongs to it, and a character of a script
    /// written without spaces ends it and is a word of its own together with
    /// the marks after it. `emit` takes each word that ends. Returns the
    /// position after the step.
    template <typename Emit>
    static std::size_t StepNonAscii(std::string_view text, std::size_t position, std::size_t& wordStart, Emit emit) {
        const std::size_t none = text.size();
        char32_t codePoint = 0;
        const std::size_t length = platform::DecodeUtf8(text, position, codePoint);
        const platform::UnicodeWordClass cls =
            length == 0 ? platform::UnicodeWordClass::Delimiter : platform::WordClassOf(codePoint);
        const std::size_t next = position + std::max<std::size_t>(length, 1);
        if (cls == platform::UnicodeWordClass::WordPart || cls == platform::UnicodeWordClass::Mark) {
            if (wordStart == none) wordStart = position;
            return next;
        }
        if (wordStart != none) emit(text.substr(wordStart, position - wordStart));
        wordStart = none;
        if (cls == platform::UnicodeWordClass::Delimiter) return next;
        const std::size_t end = AfterMarks(text, next);
        emit(text.substr(position, end - position));
        return end;
    }

    /// The position after the marks that start at `position`.
    static std::size_t AfterMarks(std::string_view text, std::size_t position) {
        while (position < text.size() && static_cast<unsigned char>(text[position]) >= 0x80) {
            char32_t codePoint = 0;
            const std::size_t length = platform::DecodeUtf8(text, position, codePoint);
            if (length == 0 || platform::WordClassOf(codePoint) != platform::UnicodeWordClass::Mark) break;
            position += length;
        }
        return position;
    }

    /// Text outside tags and outside the title: words. Returns where to go on.
    std::size_t ScanText(std::string_view line, std::size_t position) {
        const std::size_t length = line.size();
        std::size_t spanStart = length;  // none
        while (position < length) {
            if (ClassOf(line[position]) == ByteClass::Word) {
                if (spanStart == length) spanStart = position;
                ++position;
                while (position < length && ClassOf(line[position]) == ByteClass::Word) ++position;
                continue;
            }
            const ByteClass cls = ClassOf(line[position]);
            if (cls == ByteClass::TagOpen) {
                if (spanStart != length) EmitWord(line.substr(spanStart, position - spanStart));
                inTag_ = true;
                return position + 1;
            }
            if (cls == ByteClass::NonAscii) {
                position = StepNonAscii(line, position, spanStart, [this](std::string_view word) { EmitWord(word); });
                continue;
            }
            if (EndsWord(line, position, cls)) {
                if (spanStart != length) EmitWord(line.substr(spanStart, position - spanStart));
                spanStart = length;
            } else if (spanStart == length) {
                spanStart = position;
            }
            ++position;
        }
        // A word never goes on into the next line; the last byte belongs to
        // it when it is not a delimiter.
        if (spanStart != length) EmitWord(line.substr(spanStart));
        return length;
    }

    /// Text while the title is being collected: every byte up to the next
    /// '<' belongs to the title, blanks before it skipped.
    std::size_t ScanTitle(std::string_view line, std::size_t position) {
        const std::size_t length = line.size();
        std::size_t spanStart = length;  // none
        for (; position < length; ++position) {
            const char c = line[position];
            if (ClassOf(c) == ByteClass::TagOpen) {
                if (spanStart != length) {
                    inTitle_ = false;
                    AddToTitle(line.substr(spanStart, position - spanStart));
                }
                inTag_ = true;
                return position + 1;
            }
            const bool skippedBlank = c == ' ' && (position + 1 == length || rules_.InDelimiterSet(' '));
            if (spanStart == length && !skippedBlank) spanStart = position;
        }
        if (spanStart != length) AddToTitle(line.substr(spanStart));
        return length;
    }

    /// Inside a tag or a comment. Returns where to go on.
    std::size_t ScanTag(std::string_view line, std::size_t position) {
        const std::size_t length = line.size();
        if (inComment_) return ScanComment(line, position);
        const void* close = std::memchr(line.data() + position, '>', length - position);
        const std::size_t end =
            close ? static_cast<std::size_t>(static_cast<const char*>(close) - line.data()) : length;
        // A tag whose text becomes "!--" is a comment from there on.
        while (position < end && tagText_.size() < 3) {
            tagText_.push_back(line[position++]);
            if (tagText_.size() == 3 && tagText_[0] == '!' && tagText_[1] == '-' && tagText_[2] == '-') {
                inComment_ = true;
                return position;
            }
        }
        tagText_.append(line.substr(position, end - position));
        if (end == length) return length;
        ProcessTag();
        inTag_ = false;
        tagText_.clear();
        return end + 1;
    }

    /// A comment ends at a '>' whose two bytes before it on the same line are "--".
    std::size_t ScanComment(std::string_view line, std::size_t position) {
        const std::size_t length = line.size();
        while (position < length) {
            const void* close = std::memchr(line.data() + position, '>', length - position);
            if (close == nullptr) return length;
            const auto at = static_cast<std::size_t>(static_cast<const char*>(close) - line.data());
            if (at >= 2 && line[at - 1] == '-' && line[at - 2] == '-') {
                inComment_ = false;
                inTag_ = false;
                tagText_.clear();
                return at + 1;
            }
            position = at + 1;
        }
        return length;
    }

    /// Acts on a complete tag. Names are compared by ASCII case rules; the
    /// first byte picks the few names that can match.
    void ProcessTag() {
        const std::string_view tag = tagText_;
        if (tag.empty()) return;
        switch (platform::AsciiUpperChar(tag.front())) {
            case 'M':
                if (StartsWithAscii(tag, "META")) ProcessMeta();
                break;
            case 'T':
                if (!titleFixed_ && EqualsAscii(tag, "TITLE")) {
                    inTitle_ = true;
                    titleFixed_ = true;
                    titleText_.clear();
                }
                if (!inIgnore_ && StartsWithAscii(tag, "TARVO") && ContainsAscii(tag, "IGNORE")) inIgnore_ = true;
                break;
            case 'S':
                if (!inScript_ && StartsWithAscii(tag, "SCRIPT")) inScript_ = true;
                if (!inStyle_ && StartsWithAscii(tag, "STYLE")) inStyle_ = true;
                break;
            case '/':
                // Only these exact closing tags end a section; any other
                // closing tag, the closing title tag too, has no effect.
                if (inScript_ && EqualsAscii(tag, "/SCRIPT")) inScript_ = false;
                if (inIgnore_ && EqualsAscii(tag, "/TARVO")) inIgnore_ = false;
                if (inStyle_ && EqualsAscii(tag, "/STYLE")) inStyle_ = false;
                break;
            default: break;
        }
    }

    void ProcessMeta() {
        upperTag_.assign(tagText_);
        platform::UpperInPlace(rules_.CodePage(), upperTag_);
        const std::string_view name = MetaValue(upperTag_, "NAME=");
        const std::string_view content = MetaValue(upperTag_, "CONTENT=");
        if (EqualsAscii(name, "TARVOTITLE") && !content.empty()) {
            lineTitle_.assign(content);
            titleFixed_ = true;
        }
        if (EqualsAscii(name, "KEYWORDS")) AddKeywords(content);
    }

    /// Cuts the META keywords into tokens, the content read as one line.
    void AddKeywords(std::string_view content) {
        if (inIgnore_) return;
        std::size_t tokenStart = content.size();  // none
        std::size_t position = 0;
        while (position < content.size()) {
            if (utf8_ && static_cast<unsigned char>(content[position]) >= 0x80) {
                position = StepNonAscii(content, position, tokenStart,
                                        [this](std::string_view word) { AddWordIfAccepted(word); });
                continue;
            }
            if (rules_.IsDelimiter(content, position)) {
                if (tokenStart != content.size()) AddWordIfAccepted(content.substr(tokenStart, position - tokenStart));
                tokenStart = content.size();
            } else if (tokenStart == content.size()) {
                tokenStart = position;
            }
            ++position;
        }
        if (tokenStart != content.size()) AddWordIfAccepted(content.substr(tokenStart));
    }

    /// Appends a piece of the title, one blank between pieces. Only the
    /// bytes that fit a table-of-contents line are kept.
    void AddToTitle(std::string_view piece) {
        // A UTF-8 title keeps one byte more, which tells whether the field's
        // last character is whole.
        const std::size_t kept = utf8_ ? kTocTitleWidth + 1 : kTocTitleWidth;
        if (titleText_.size() < kept) {
            if (!titleText_.empty()) titleText_.push_back(' ');
            titleText_.append(piece.substr(0, kept - std::min(kept, titleText_.size())));
        }
        if (!inTitle_) lineTitle_ = titleText_;
    }

    /// A word of the text: indexed unless it lies in a hidden section.
    void EmitWord(std::string_view token) {
        if (inScript_ || inStyle_ || inIgnore_) return;
        AddWordIfAccepted(token);
    }

    void AddWordIfAccepted(std::string_view token) {
        char stored[kStoredWordLength];
        bool isOwnStoredWord = false;
        std::size_t storedLength = rules_.StoredWordOf(token, stored, isOwnStoredWord);
        // The dictionary keeps a word without the control characters at its
        // end, so such a token is taken as that word, and the word rules
        // judge the word: entered as typed, "CAT^A" would sort apart from
        // "CAT" and give the dictionary CAT twice, and "THE^A" would put a
        // stopword into it. A token of control characters only keeps its
        // entry, which the build drops.
        std::string_view judged = token;
        const std::size_t plainLength = indexfiles::WordOfField({stored, storedLength}).size();
        if (plainLength > 0 && plainLength < storedLength) {
            storedLength = plainLength;
            judged = std::string_view(stored, storedLength);
            isOwnStoredWord = true;
        }
        bool inserted = false;
        SeenWords::Word& slot = seenWords_.FindOrInsert(stored, storedLength, inserted);
        if (!inserted) {
            if (slot.status == SeenWords::Status::Added) return;
            // Case does not change the decision, so a refusal holds for every
            // token whose upper-cased form is the stored word itself.
            if (slot.status == SeenWords::Status::Refused && isOwnStoredWord) return;
        }
        if (!rules_.AcceptWord(judged)) {
            if (isOwnStoredWord) slot.status = SeenWords::Status::Refused;
            else if (inserted) slot.status = SeenWords::Status::Undecided;
            return;
        }
        slot.status = SeenWords::Status::Added;
        char entry[kWorkEntryCapacity];
        words_.Add(
            std::string_view(entry, FormatWorkEntry(std::string_view(stored, storedLength), documentNumber_, entry)));
    }

    std::string& tagText_;
    std::string& upperTag_;
    std::string& titleText_;
    SeenWords& seenWords_;
    const WordRules& rules_;
    const ByteClasses classes_;
    /// A UTF-8 set: bytes of 128 and above are read as characters.
    const bool utf8_;
    TTARVOStringList& words_;
    const int documentNumber_;
    const std::string_view url_;

    /// The title the table-of-contents line is made with.
    std::string lineTitle_;
    bool titleFixed_ = false;
    bool inTag_ = false;
    bool inComment_ = false;
    bool inTitle_ = false;
    bool inScript_ = false;
    bool inStyle_ = false;
    bool inIgnore_ = false;
};

}  // namespace

// ---- DocumentReader -------------------------------------------------------------

namespace {

bool IsAscii(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

/// The document's character set, from its bytes before a Ctrl-Z that ends
/// it. A Windows-1252 set reads a page declared in a Central European
/// character set as Windows-1252 bytes, as it always has.
DocumentCharset CharsetOf(platform::TextLineReader& document, DocumentCharset undeclared, IndexCodePage codePage) {
    std::string_view head = document.Peek(kCharsetDeclarationWindow);
    head = head.substr(0, head.find('\x1A'));
    const std::optional<DocumentCharset> declared = DeclaredCharset(head);
    if (!declared) return undeclared;
    const bool centralEuropean = *declared == DocumentCharset::Windows1250 || *declared == DocumentCharset::Iso88592;
    if (codePage == IndexCodePage::Windows1252 && centralEuropean) return DocumentCharset::Windows1252;
    return *declared;
}

/// True when a document's non-ASCII lines must be read into the set's code
/// page; a UTF-8 set also reads UTF-8 text, to compose and clean it.
bool NeedsConversion(DocumentCharset charset, IndexCodePage codePage) noexcept {
    switch (codePage) {
        case IndexCodePage::Windows1250: return charset != DocumentCharset::Windows1250;
        case IndexCodePage::Utf8: return true;
        default: return charset != DocumentCharset::Windows1252;
    }
}

/// The length of the run of ASCII bytes at the start of `text`.
std::size_t AsciiRunLength(std::string_view text) noexcept {
    std::size_t length = 0;
    while (length < text.size() && static_cast<unsigned char>(text[length]) < 0x80) ++length;
    return length;
}

/// The length of the run of bytes of 128 and above at the start of `text`.
std::size_t HighRunLength(std::string_view text) noexcept {
    std::size_t length = 0;
    while (length < text.size() && static_cast<unsigned char>(text[length]) >= 0x80) ++length;
    return length;
}

/// Reads a line into a Windows-1250 or UTF-8 set as platform::ConvertText
/// does, converting only the runs of bytes of 128 and above, each with the
/// ASCII character before it (which a mark may compose with): ASCII
/// characters stay as they are and no ASCII pair composes, so the pieces
/// give what the whole line would. A document is often one long line with a
/// few such characters.
void ConvertRuns(std::string_view line, platform::TextCharset from, IndexCodePage codePage, std::string& out,
                 std::string& piece) {
    out.clear();
    std::size_t position = 0;
    while (position < line.size()) {
        const std::size_t highStart = position + AsciiRunLength(line.substr(position));
        if (highStart == line.size()) {
            out.append(line.substr(position));
            break;
        }
        const std::size_t pieceStart = highStart > position ? highStart - 1 : highStart;
        out.append(line.substr(position, pieceStart - position));
        const std::size_t pieceEnd = highStart + HighRunLength(line.substr(highStart));
        platform::ConvertText(line.substr(pieceStart, pieceEnd - pieceStart), from, codePage, piece);
        out.append(piece);
        position = pieceEnd;
    }
}

/// Reads one line of the document into the set's code page.
void ConvertLine(std::string_view line, DocumentCharset charset, IndexCodePage codePage, std::string& out,
                 std::string& piece) {
    if (codePage == IndexCodePage::Windows1252 && charset == DocumentCharset::Utf8)
        platform::Utf8ToWindows1252Text(line, out);
    else if (codePage == IndexCodePage::Windows1252) platform::ConvertText(line, TextCharsetOf(charset), codePage, out);
    else ConvertRuns(line, TextCharsetOf(charset), codePage, out, piece);
}

}  // namespace

DocumentReader::DocumentReader(DocumentCharset undeclared)
    : buffers_(std::make_unique<Buffers>()), undeclared_(undeclared) {}
DocumentReader::~DocumentReader() = default;
DocumentReader::DocumentReader(DocumentReader&&) noexcept = default;
DocumentReader& DocumentReader::operator=(DocumentReader&&) noexcept = default;

void DocumentReader::Read(platform::TextLineReader& document, int documentNumber, std::string_view documentPath,
                          std::string_view entryTitle, std::string_view entryUrl, const WordRules& rules,
                          TTARVOStringList& words, std::vector<std::string>& titles) {
    Buffers& buffers = *buffers_;
    const std::string_view url = entryUrl.empty() ? documentPath : entryUrl;
    DocumentScanner scanner(buffers.tagText, buffers.upperTag, buffers.titleText, buffers.seenWords, rules, words,
                            documentNumber, url, entryTitle);
    const IndexCodePage codePage = rules.CodePage();
    const DocumentCharset charset = CharsetOf(document, undeclared_, codePage);
    const bool converts = NeedsConversion(charset, codePage);
    std::string_view line;
    while (document.ReadLine(line)) {
        if (line.empty()) continue;
        // A UTF-8 sequence never holds CR, LF or Ctrl-Z: converting line by
        // line gives what converting the whole document would.
        if (converts && !IsAscii(line)) {
            ConvertLine(line, charset, codePage, buffers.convertedLine, buffers.convertedPiece);
            line = buffers.convertedLine;
            if (line.empty()) continue;
        }
        if (std::memchr(line.data(), '&', line.size()) != nullptr) {
            DecodeEntities(line, buffers.decodedLine, codePage);
            line = buffers.decodedLine;
        }
        scanner.ScanLine(line);
    }
    titles.push_back(scanner.TitleLine());
}

void ReadDocument(platform::TextLineReader& document, int documentNumber, std::string_view documentPath,
                  std::string_view entryTitle, std::string_view entryUrl, const WordRules& rules,
                  TTARVOStringList& words, std::vector<std::string>& titles, DocumentCharset undeclared) {
    DocumentReader reader(undeclared);
    reader.Read(document, documentNumber, documentPath, entryTitle, entryUrl, rules, words, titles);
}

}  // namespace indexer
