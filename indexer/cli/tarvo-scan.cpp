// tarvo-scan: shows what the indexer makes of one document, its word entries
// and its table-of-contents line, with the default word rules; --charset is
// the project's character set for a document that declares none, --codepage
// the code page of the index set the words are shown for.
#include <charconv>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/DocumentReader.h"
#include "indexer/engine/WordList.h"
#include "indexer/engine/WordRules.h"
#include "indexfiles/IndexFiles.h"
#include "platform/CodePage.h"
#include "platform/Utf8Text.h"
#include "platform/TextLineReader.h"

namespace {

constexpr std::string_view kUsage =
    "usage: tarvo-scan FILE [--title T] [--url U] [--number N] [--charset windows-1252|windows-1250|utf-8]\n"
    "       [--codepage windows-1252|windows-1250|utf-8] [--raw]\n";

struct Options {
    std::string path;
    std::string title;
    std::string url;
    int number = 1;
    /// how a document without a byte order mark or <meta> declaration is read
    indexer::DocumentCharset undeclared = indexer::DocumentCharset::Windows1252;
    /// the code page of the index set
    platform::IndexCodePage codePage = platform::IndexCodePage::Windows1252;
    bool raw = false;  ///< print the exact bytes that the run writes, not a display form
};

bool ParseNumber(std::string_view text, int& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && number >= 1 && number <= 65535;
}

/// Reads the command line; false (after a message) when it is not understood.
bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--raw") {
            options.raw = true;
        } else if (argument == "--title" && hasValue) {
            options.title = argv[++i];
        } else if (argument == "--url" && hasValue) {
            options.url = argv[++i];
        } else if (argument == "--charset" && hasValue) {
            const auto charset = indexer::ParseCharsetSetting(argv[++i]);
            if (!charset) {
                std::fprintf(stderr, "tarvo-scan: the character set must be windows-1250, windows-1252 or utf-8\n");
                return false;
            }
            options.undeclared = *charset;
        } else if (argument == "--codepage" && hasValue) {
            const auto codePage = platform::ParseCodePageName(argv[++i]);
            if (!codePage) {
                std::fprintf(stderr, "tarvo-scan: the code page must be windows-1252, windows-1250 or utf-8\n");
                return false;
            }
            options.codePage = *codePage;
        } else if (argument == "--number" && hasValue) {
            if (!ParseNumber(argv[++i], options.number)) {
                std::fprintf(stderr, "tarvo-scan: the document number must be 1 to 65535\n");
                return false;
            }
        } else if (!argument.starts_with("--") && options.path.empty()) {
            options.path = argument;
        } else {
            std::fputs(kUsage.data(), stderr);
            return false;
        }
    }
    if (options.path.empty()) {
        std::fputs(kUsage.data(), stderr);
        return false;
    }
    return true;
}

void Print(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

/// The display form: the set's code page shown as UTF-8, trailing blanks of
/// the fixed-width fields kept visible between brackets.
void PrintReadable(const indexer::TTARVOStringList& words, const std::string& titleLine,
                   platform::IndexCodePage codePage) {
    auto shown = [codePage](std::string_view text) { return platform::CodePageToUtf8(text, codePage); };
    std::printf("Word entries (%zu):\n", words.Count());
    for (std::size_t i = 0; i < words.Count(); ++i) Print("  " + shown(words.At(i)) + "\n");
    const std::string_view line = titleLine;
    std::printf("\nTable-of-contents line (%zu bytes):\n", line.size());
    Print("  URL   [" + shown(line.substr(0, indexfiles::kTocUrlWidth)) + "]\n");
    Print("  Title [" + shown(line.substr(indexfiles::kTocUrlWidth)) + "]\n");
}

void PrintRaw(const indexer::TTARVOStringList& words, const std::string& titleLine) {
    std::string text;
    words.AppendText(text);
    text += titleLine;
    text += "\r\n";
    Print(text);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    try {
        indexer::WordSettings settings;
        settings.codePage = options.codePage;
        const indexer::WordRules rules{settings};
        indexer::TTARVOStringList words;
        std::vector<std::string> titles;
        platform::TextLineReader document(options.path);
        indexer::ReadDocument(document, options.number, options.path, options.title, options.url, rules, words, titles,
                              options.undeclared);
        if (options.raw) PrintRaw(words, titles.front());
        else PrintReadable(words, titles.front(), options.codePage);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarvo-scan: %s\n", error.what());
        return 1;
    }
}
