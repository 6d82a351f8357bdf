// File names, prefix keys and record encodings of the index file set.
#include "indexer/engine/IndexFiles.h"

#include <cstdio>

namespace indexer {

namespace {

/// Appends `text` left-aligned in a field of exactly `width` bytes: cut when
/// longer, blank-padded when shorter.
void AppendField(std::string& out, std::string_view text, std::size_t width) {
    const std::string_view cut = text.substr(0, width);
    out.append(cut);
    out.append(width - cut.size(), ' ');
}

/// Decimal text of a number with at least `digits` digits (leading zeros),
/// as "%N.Nd" gives it.
std::string ZeroPadded(long long value, int digits) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*lld", digits, value);
    return buffer;
}

}  // namespace

std::string_view IndexFileExtension(IndexFile file) noexcept {
    switch (file) {
        case IndexFile::TableOfContents: return ".toc";
        case IndexFile::Dictionary: return ".dct";
        case IndexFile::Postings: return ".ndx";
        case IndexFile::PrefixHash: return ".hsh";
        case IndexFile::BlockLetters: return ".ext";
        case IndexFile::WorkFile: return ".temp";
        case IndexFile::WordDump: return ".lst";
    }
    return "";
}

std::string IndexFileName(std::string_view databaseName, IndexFile file) {
    std::string name(databaseName);
    name.append(IndexFileExtension(file));
    return name;
}

std::string StagedIndexFileName(std::string_view databaseName, IndexFile file) {
    std::string name = IndexFileName(databaseName, file);
    name.append(kStagedSuffix);
    return name;
}

PrefixKeys ComputePrefixKeys(std::string_view word) noexcept {
    PrefixKeys keys{-1, -1, -1};
    if (word.empty()) return keys;
    if (DigitValue(word[0]) < 0) {
        keys[0] = kSpecialPrefixKey;
        return keys;
    }
    int key = 0;
    for (std::size_t length = 1; length <= kPrefixLengths && length <= word.size(); ++length) {
        const int digit = DigitValue(word[length - 1]);
        if (digit < 0) break;
        key = key * 36 + digit;
        keys[length - 1] = key;
    }
    return keys;
}

void AppendUint16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void AppendDictionaryRecord(std::string& out, std::string_view word, std::int32_t position) {
    out.push_back(static_cast<char>(kWordWidth));
    AppendField(out, word, kWordWidth);
    const auto bits = static_cast<std::uint32_t>(position);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

std::array<char, kBlockLetterRecordSize> MakeBlockLetterRecord(std::string_view letters) {
    std::array<char, kBlockLetterRecordSize> record{};
    const std::string_view kept = letters.substr(0, kMaxBlockLetters);
    record[0] = static_cast<char>(kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i) record[i + 1] = kept[i];
    return record;
}

std::string FormatDumpLine(std::size_t documentCount, std::string_view word) {
    std::string line = ZeroPadded(static_cast<long long>(documentCount), 5);
    line.append(" : ");
    line.append(word);
    if (word.size() < kWordWidth) line.append(kWordWidth - word.size(), ' ');
    return line;
}

std::string FormatWorkEntry(std::string_view word, int documentNumber) {
    std::string line;
    line.reserve(kWorkRecordSize);
    AppendField(line, word, kWordWidth);
    line.push_back(':');
    line.append(ZeroPadded(documentNumber, static_cast<int>(kWorkNumberWidth)));
    return line;
}

std::string FormatTocLine(std::string_view url, std::string_view title) {
    std::string line;
    line.reserve(kTocUrlWidth + kTocTitleWidth);
    AppendField(line, url, kTocUrlWidth);
    AppendField(line, title, kTocTitleWidth);
    return line;
}

}  // namespace indexer
