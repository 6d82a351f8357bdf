// A document's declared character set, and how the reader converts a UTF-8
// document before its entities, tags, title and words are looked at.
#include "indexer/engine/DocumentCharset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "indexer/engine/DocumentReader.h"
#include "indexfiles/IndexFiles.h"

namespace indexer {
namespace {

constexpr auto kUtf8 = DocumentCharset::Utf8;
constexpr auto kAnsi = DocumentCharset::Windows1252;

TEST(DeclaredCharset, MetaTagsInEitherFormAnyCaseAndQuoting) {
    const struct {
        std::string head;
        std::optional<DocumentCharset> expected;
    } cases[] = {
        {"<html><head><meta charset=\"utf-8\">", kUtf8},
        {"<META CHARSET=UTF8>", kUtf8},
        {"<meta charset='Utf-8' />", kUtf8},
        {"<meta\tcharset = \" utf-8 \">", kUtf8},
        {"<meta charset=\"iso-8859-1\">", kAnsi},
        {"<meta charset=windows-1252>", kAnsi},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">", kUtf8},
        {"<META CONTENT='text/html;charset=utf-8' HTTP-EQUIV=content-type>", kUtf8},
        {"<meta http-equiv=Content-Type content=\"text/html; charset=ISO-8859-15\">", kAnsi},
        // Metas that declare nothing are passed over; the first that does decides.
        {"<meta name=\"viewport\" content=\"width=device-width\"><meta charset=\"utf-8\">", kUtf8},
        {"<meta content=\"text/html; charset=utf-8\"><meta charset=latin1>", kAnsi},  // content without http-equiv
        {"<meta charset=\"koi8-r\"><meta charset=\"utf-8\">", kAnsi},
        {"<!-- <meta charset=\"utf-8\"> --><p>", std::nullopt},
        {"<metadata charset=\"utf-8\">", std::nullopt},
        {"<html><body>no declaration", std::nullopt},
        {"<meta charset=\"utf-8\"", std::nullopt},  // cut off before its end
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(DeclaredCharset(c.head), c.expected) << c.head;
}

TEST(DeclaredCharset, AByteOrderMarkWinsAndOnlyTheFirstKilobyteCounts) {
    EXPECT_EQ(DeclaredCharset("\xEF\xBB\xBF<meta charset=\"windows-1252\">"), kUtf8);
    const std::string padding(kCharsetDeclarationWindow - 10, ' ');
    EXPECT_EQ(DeclaredCharset(padding + "<meta charset=\"utf-8\">"), std::nullopt) << "ends past byte 1,024";
    EXPECT_EQ(DeclaredCharset(padding.substr(20) + "<meta charset=\"utf-8\">"), kUtf8);
}

TEST(CharsetSetting, NamesRoundTripAndOthersAreRefused) {
    for (DocumentCharset charset : {kAnsi, kUtf8}) EXPECT_EQ(ParseCharsetSetting(CharsetSettingName(charset)), charset);
    EXPECT_EQ(ParseCharsetSetting("UTF-8"), kUtf8);
    EXPECT_EQ(ParseCharsetSetting("utf8"), std::nullopt);
    EXPECT_EQ(ParseCharsetSetting(""), std::nullopt);
}

/// The words (sorted) and the title of one document read with `undeclared`.
struct Read {
    std::vector<std::string> words;
    std::string title;
};

Read ReadWith(std::string_view bytes, DocumentCharset undeclared) {
    const WordRules rules{WordSettings{}};
    TTARVOStringList words;
    std::vector<std::string> titles;
    auto document = platform::TextLineReader::FromBytes(bytes);
    ReadDocument(document, 1, "doc.htm", "", "", rules, words, titles, undeclared);
    Read result;
    for (std::size_t i = 0; i < words.Count(); ++i) {
        std::string word(words.At(i).substr(0, kStoredWordLength));
        while (!word.empty() && word.back() == ' ') word.pop_back();
        result.words.push_back(word);
    }
    std::sort(result.words.begin(), result.words.end());
    std::string title = titles.at(0).substr(indexfiles::kTocUrlWidth);
    while (!title.empty() && title.back() == ' ') title.pop_back();
    result.title = title;
    return result;
}

using Words = std::vector<std::string>;

// clang-format off
TEST(DocumentReaderCharset, UndeclaredDocumentsFollowTheSetting) {
    const std::string page = "<title>Abh\xC3\xA4ngig</title>abh\xC3\xA4ngig 6\xC2\xA0" "ann\xC3\xA9" "es";
    EXPECT_EQ(ReadWith(page, kUtf8).words, (Words{"ABH\xC4NGIG", "ANN\xC9" "ES"}));  // 6 alone is no word
    EXPECT_EQ(ReadWith(page, kUtf8).title, "Abh\xE4ngig");
    EXPECT_EQ(ReadWith(page, kAnsi).words, (Words{"6\xC2\xA0" "ANN\xC3\xA9" "ES", "ABH\xC3\xA4NGIG"}));
}

TEST(DocumentReaderCharset, DeclarationsOverrideTheSettingAndTheMarkIsDropped) {
    const std::string declared = "<meta charset=\"utf-8\">caf\xC3\xA9 OVER\xE2\x80\x8BLOAD";
    EXPECT_EQ(ReadWith(declared, kAnsi).words, (Words{"CAF\xC9", "OVERLOAD"}));
    EXPECT_EQ(ReadWith("\xEF\xBB\xBF" "caf\xC3\xA9", kAnsi).words, Words{"CAF\xC9"});
    EXPECT_EQ(ReadWith("<meta charset=\"windows-1252\">caf\xC3\xA9", kUtf8).words, Words{"CAF\xC3\xA9"});
    // Entities are decoded after the conversion, as in a Windows-1252 page.
    EXPECT_EQ(ReadWith("\xEF\xBB\xBF" "&eacute;t\xC3\xA9", kAnsi).words, Words{"\xC9T\xC9"});
}
// clang-format on

}  // namespace
}  // namespace indexer
