// The handler in-process on an in-memory engine: a request marked as UTF-8 by
// its "_charset_" field or by its POST content type has its words converted
// and its page written in UTF-8; the same request without a mark keeps
// today's Windows-1252 page byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/Utf8Text.h"
#include "search/Unit1.h"
#include "tests/cgi/MemoryEngine.h"
#include "tests/search/SearchTestSupport.h"

namespace {

using cgitest::TMemoryEngine;

constexpr const char* kPlainHeader = "HTTP/1.0 200 OK\r\ncontent-type:text/html\r\n\r\n";
constexpr const char* kUtf8Header = "HTTP/1.0 200 OK\r\ncontent-type:text/html; charset=utf-8\r\n\r\n";

std::string Page(const std::string& header, const std::string& dataLines) {
    return header + "<HTML><BODY>\r\n<!--start of data-->\r\n" + dataLines + "<!--end of data-->\r\n</BODY></HTML>\r\n";
}

/// An index set "site" holding one document titled "Café crème" with the word
/// CAFÉ, found through TARVO_INDEX_DIR.
class Utf8Request : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        index_ = new search::test_support::TestIndex("site");
        index_->AddDocument("http://site.test/caf\xE9.htm", "Caf\xE9 cr\xE8me", {"CAF\xC9", "CR\xC8ME"});
        index_->Build();
        const std::string folder = std::filesystem::path(index_->BasePath()).parent_path().string() + "/";
        platform::SetEnvironmentValue("TARVO_INDEX_DIR", folder);
    }
    static void TearDownTestSuite() {
        platform::UnsetEnvironmentValue("TARVO_INDEX_DIR");
        delete index_;
    }

    /// Serves one request and returns what the engine sent.
    static std::string Serve(const std::string& method, const std::string& form, const std::string& contentType = "") {
        TMemoryEngine engine;
        engine.variables = {{"REQUEST METHOD", method}, {"CONTENT TYPE", contentType}};
        engine.formData = form;
        engine.OnExecRequest = [](cgi::THttpEngine& sender) { search::AnswerSearchRequest(sender); };
        engine.ProcessRequest();
        // The UTF-8 content type is the page's own: the engine gets its setting back.
        EXPECT_EQ(engine.AutoContentType, "text/html");
        return engine.sent;
    }

    static search::test_support::TestIndex* index_;
};

search::test_support::TestIndex* Utf8Request::index_ = nullptr;

const std::string kFoundUtf8 = "1~|~~|~\r\nCaf\xC3\xA9 cr\xC3\xA8me~|~http://site.test/caf\xC3\xA9.htm~|~~|~\r\n";

TEST_F(Utf8Request, CharsetFieldMakesAGetRequestUtf8) {
    EXPECT_EQ(Serve("GET", "volumeName=site&searchWords=caf%C3%A9&_charset_=UTF-8"), Page(kUtf8Header, kFoundUtf8));
}

TEST_F(Utf8Request, ContentTypeCharsetMakesAPostRequestUtf8) {
    EXPECT_EQ(
        Serve("POST", "volumeName=site&searchWords=CAF%C3%89", "application/x-www-form-urlencoded; charset=UTF-8"),
        Page(kUtf8Header, kFoundUtf8));
}

TEST_F(Utf8Request, UnmarkedRequestsKeepTheWindows1252Page) {
    const std::string found = "1~|~~|~\r\nCaf\xE9 cr\xE8me~|~http://site.test/caf\xE9.htm~|~~|~\r\n";
    EXPECT_EQ(Serve("GET", "volumeName=site&searchWords=caf%E9"), Page(kPlainHeader, found));
    EXPECT_EQ(Serve("POST", "volumeName=site&searchWords=caf%E9", "application/x-www-form-urlencoded"),
              Page(kPlainHeader, found));
    // UTF-8 bytes without a mark are read as Windows-1252 and find nothing.
    EXPECT_EQ(Serve("GET", "volumeName=site&searchWords=caf%C3%A9&_charset_=windows-1252"),
              Page(kPlainHeader, "0~|~~|~\r\nNo records found~|~Not Applicable~|~~|~\r\n"));
    EXPECT_EQ(Serve("GET", "volumeName=site&searchWords=caf%C3%A9", "application/x-www-form-urlencoded; charset=utf-8"),
              Page(kPlainHeader, "0~|~~|~\r\nNo records found~|~Not Applicable~|~~|~\r\n"));
}

TEST_F(Utf8Request, MessagesAreConvertedFromTheirCodePage) {
    // The Slovenian "š" is the ISO-8859-2 byte B9; the French "é" Windows-1252 E9.
    // clang-format off
    EXPECT_EQ(Serve("GET", "volumeName=site&searchWords=a*&language=sl&_charset_=utf8"),
              Page(kUtf8Header,
                   "0~|~~|~\r\nZvezdica pri iskanju se lahko~|~Not Applicable~|~~|~\r\n"
                   "uporabi \xC5\xA1" "ele na tretjem mestu.~|~Not Applicable~|~~|~\r\n"));
    EXPECT_EQ(Serve("GET", "volumeName=site&searchWords=zebra&language=fr&_charset_=utf-8"),
              Page(kUtf8Header, "0~|~~|~\r\nAucune page trouv\xC3\xA9" "e~|~Not Applicable~|~~|~\r\n"));
    // clang-format on
}

// Lines that are all ASCII skip the conversion: a byte above 127 anywhere in
// a title, at any length, must still be converted.
TEST(Utf8PageLines, EveryNonAsciiByteIsConvertedWhereverItStands) {
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t position = 0; position < length; ++position) {
            std::string title(length, 'a');
            title[position] = '\xE9';
            const std::vector<std::string> titles{title}, urls{"u"};
            const search::SearchAnswer answer{1, 0, titles, urls, {}};
            std::vector<std::string> lines;
            search::WriteDataLines(answer, 0, search::PageCharset::kUtf8,
                                   [&lines](std::string_view line) { lines.emplace_back(line); });
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[1], platform::Windows1252ToUtf8(title + "~|~u~|~~|~")) << length << " " << position;
        }
    }
}

}  // namespace
