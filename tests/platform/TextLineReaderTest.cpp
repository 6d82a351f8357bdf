// Text-file line rules: CR ends a line, CR LF is one break, a lone LF is an
// ordinary character of a document and a break in a list file, Ctrl-Z ends
// the file, lines have no length limit.
#include "platform/TextLineReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

namespace {

std::vector<std::string> LinesOf(platform::TextLineReader reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> LinesOfBytes(std::string_view bytes,
                                      platform::LoneLineFeed lineFeed = platform::LoneLineFeed::Ordinary) {
    return LinesOf(platform::TextLineReader::FromBytes(bytes, lineFeed));
}

using Lines = std::vector<std::string>;

struct LineCase {
    std::string input;
    Lines expected;
};

TEST(TextLineReader, LineBreakRules) {
    const LineCase cases[] = {
        {"", {}},
        {"abc", {"abc"}},
        {"abc\r\n", {"abc"}},
        {"abc\r", {"abc"}},
        {"a\r\nb\r\nc", {"a", "b", "c"}},
        {"a\rb\rc\r", {"a", "b", "c"}},
        {"\r\n", {""}},
        {"\r\n\r\n", {"", ""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\nb\nc\n", {"a\nb\nc\n"}},
        {"a\n\rb", {"a\n", "b"}},
        {"a\r\n\nb", {"a", "\nb"}},
    };
    for (const auto& c : cases) EXPECT_EQ(LinesOfBytes(c.input), c.expected) << c.input;
}

TEST(TextLineReader, ALoneLineFeedEndsALineOfAListFile) {
    const LineCase cases[] = {
        {"a\nb\nc\n", {"a", "b", "c"}},
        {"a\nb", {"a", "b"}},
        {"\n\n", {"", ""}},
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\n\nb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"ab\x1A\ncd", {"ab"}},
        // clang-format off
        {"ab\n\x1A" "cd", {"ab"}},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(LinesOfBytes(c.input, platform::LoneLineFeed::EndsLine), c.expected) << c.input;
}

TEST(TextLineReader, CtrlZEndsTheFile) {
    // clang-format off
    EXPECT_EQ(LinesOfBytes(std::string("ab\x1A" "cd\r\nef")), (Lines{"ab"}));
    EXPECT_EQ(LinesOfBytes(std::string("ab\r\n\x1A" "cd")), (Lines{"ab"}));
    EXPECT_EQ(LinesOfBytes(std::string("\x1A" "cd")), (Lines{}));
    // clang-format on
    EXPECT_EQ(LinesOfBytes(std::string("ab\r\ncd\x1A\r\nef")), (Lines{"ab", "cd"}));
}

TEST(TextLineReader, NulAndHighBytesPassThrough) {
    const std::string bytes("a\0b\xE9\x96\r\n", 7);
    EXPECT_EQ(LinesOfBytes(bytes), (Lines{std::string("a\0b\xE9\x96", 5)}));
}

class TextLineReaderFile : public ::testing::Test {
protected:
    std::string Write(const std::string& bytes) {
        const auto path = folder_ / "file.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    tarvo_test::TempFolder folder_;
};

TEST_F(TextLineReaderFile, LongLineIsReadWhole) {
    const std::string longLine(5 * 1024 * 1024 + 17, 'x');
    const auto lines = LinesOf(platform::TextLineReader(Write(longLine + "\r\nend")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lines[1], "end");
}

TEST_F(TextLineReaderFile, LineBreakSplitAcrossReadChunks) {
    // While no line is left over the reader reads 64 KB at a time. Lines of
    // several lengths fill each read up to a line whose CR is the read's last
    // byte: the next three reads start with the LF of that CR LF pair, the
    // last one with a line of its own after a lone CR.
    constexpr std::size_t kReadSize = 64 * 1024;
    constexpr std::size_t kSplitReads = 4;
    std::string bytes;
    Lines expected;
    auto addLine = [&](const std::string& line, const std::string& lineBreak) {
        bytes += line + lineBreak;
        expected.push_back(line);
    };
    int length = 1;
    for (std::size_t read = 1; read <= kSplitReads; ++read) {
        const std::size_t readEnd = read * kReadSize;
        for (; bytes.size() + 1000 < readEnd; length = length % 997 + 1)
            addLine(std::string(static_cast<std::size_t>(length), static_cast<char>('a' + length % 26)), "\r\n");
        addLine(std::string(readEnd - 1 - bytes.size(), 'Z'), "\r");
        ASSERT_EQ(bytes.size(), readEnd);
        if (read < kSplitReads) bytes += '\n';
    }
    addLine("end", "");
    const Lines lines = LinesOf(platform::TextLineReader(Write(bytes)));
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines, expected);
}

TEST_F(TextLineReaderFile, LineFeedLinesAcrossReadChunks) {
    std::string bytes;
    Lines expected;
    for (int length = 1; bytes.size() < 200 * 1024; length = length % 991 + 1) {
        std::string line(static_cast<std::size_t>(length), static_cast<char>('a' + length % 26));
        bytes += line + (length % 3 == 0 ? "\r\n" : "\n");
        expected.push_back(line);
    }
    EXPECT_EQ(LinesOf(platform::TextLineReader(Write(bytes), platform::LoneLineFeed::EndsLine)), expected);
}

TEST_F(TextLineReaderFile, CrAtChunkEndFollowedByLineFeed) {
    std::string first(64 * 1024 - 1, 'a');
    const auto lines = LinesOf(platform::TextLineReader(Write(first + "\r\nb")));
    EXPECT_EQ(lines, (Lines{first, "b"}));
}

TEST_F(TextLineReaderFile, PeekShowsTheFirstBytesWithoutReadingThem) {
    platform::TextLineReader reader(Write("<meta charset=utf-8>\r\nnext"));
    EXPECT_EQ(reader.Peek(6), "<meta ");
    EXPECT_EQ(reader.Peek(1024), "<meta charset=utf-8>\r\nnext") << "a short file gives all it holds";
    EXPECT_EQ(LinesOf(std::move(reader)), (Lines{"<meta charset=utf-8>", "next"}));
    EXPECT_EQ(platform::TextLineReader::FromBytes("").Peek(4), "");
}

TEST_F(TextLineReaderFile, MissingFileThrowsWithPath) {
    try {
        platform::TextLineReader reader(folder_ / "missing.txt");
        FAIL() << "no exception";
    } catch (const platform::IoError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.txt"), std::string::npos);
        EXPECT_EQ(error.ErrorNumber(), ENOENT);
    }
}

}  // namespace
