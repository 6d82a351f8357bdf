// The handler in-process on sets in Windows-1250 and UTF-8: the words of a
// request read into the set's code page, and the page written in UTF-8 for a
// UTF-8 request, else in the set's own code page under its content type.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Environment.h"
#include "search/Unit1.h"
#include "tests/cgi/MemoryEngine.h"
#include "tests/search/SearchTestSupport.h"

namespace {

using cgitest::TMemoryEngine;

constexpr const char* kCp1250Header = "HTTP/1.0 200 OK\r\ncontent-type:text/html; charset=windows-1250\r\n\r\n";
constexpr const char* kUtf8Header = "HTTP/1.0 200 OK\r\ncontent-type:text/html; charset=utf-8\r\n\r\n";

std::string Page(const std::string& header, const std::string& dataLines) {
    return header + "<HTML><BODY>\r\n<!--start of data-->\r\n" + dataLines + "<!--end of data-->\r\n</BODY></HTML>\r\n";
}

/// A set "site" with its documents and a code page file, found through TARVO_INDEX_DIR.
class CodePageSet {
public:
    explicit CodePageSet(const std::string& cpg) : index_("site"), cpg_(cpg) {}
    search::test_support::TestIndex& Index() { return index_; }
    void Build() {
        index_.Build();
        index_.Write(".cpg", cpg_);
        const std::string folder = std::filesystem::path(index_.BasePath()).parent_path().string() + "/";
        platform::SetEnvironmentValue("TARVO_INDEX_DIR", folder);
    }
    ~CodePageSet() { platform::UnsetEnvironmentValue("TARVO_INDEX_DIR"); }

    /// Serves one GET request and returns what the engine sent.
    static std::string Serve(const std::string& form) {
        TMemoryEngine engine;
        engine.variables = {{"REQUEST METHOD", "GET"}};
        engine.formData = form;
        engine.OnExecRequest = [](cgi::THttpEngine& sender) { search::AnswerSearchRequest(sender); };
        engine.ProcessRequest();
        // The page's content type is its own: the engine gets its setting back.
        EXPECT_EQ(engine.AutoContentType, "text/html");
        return engine.sent;
    }

private:
    search::test_support::TestIndex index_;
    std::string cpg_;
};

TEST(Cp1250SetPage, WrittenInWindows1250UnlessTheRequestIsUtf8) {
    CodePageSet set("windows-1250\r\n");
    // "Čeština šola" at ".../č" in Windows-1250 bytes.
    // clang-format off
    set.Index().AddDocument("http://site.test/\xE8", "\xC8" "e\x9Atina \x9Aola", {"\xC8" "E\x8ATINA", "\x8AOLA"});
    set.Build();
    const std::string found1250 = "1~|~~|~\r\n\xC8" "e\x9Atina \x9Aola~|~http://site.test/\xE8~|~~|~\r\n";
    // clang-format on
    // A form sent from a Windows-1250 page: its bytes are the set's, in either case.
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=%E8e%9Atina"), Page(kCp1250Header, found1250));
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=%8AOLA"), Page(kCp1250Header, found1250));
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=%E8e%9A*"), Page(kCp1250Header, found1250));
    // A UTF-8 request gets the titles and URLs converted.
    const std::string foundUtf8 =
        "1~|~~|~\r\n\xC4\x8C"
        "e\xC5\xA1tina \xC5\xA1ola~|~http://site.test/\xC4\x8D~|~~|~\r\n";
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=%C4%8Ce%C5%A0TINA&_charset_=UTF-8"),
              Page(kUtf8Header, foundUtf8));
    // The messages in Windows-1250: the Slovenian "š" is byte 9A there, the French "é" E9.
    // clang-format off
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=a*&language=sl"),
              Page(kCp1250Header, "0~|~~|~\r\nZvezdica pri iskanju se lahko~|~Not Applicable~|~~|~\r\n"
                                  "uporabi \x9A" "ele na tretjem mestu.~|~Not Applicable~|~~|~\r\n"));
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=zebra&language=fr"),
              Page(kCp1250Header, "0~|~~|~\r\nAucune page trouv\xE9" "e~|~Not Applicable~|~~|~\r\n"));
    // clang-format on
}

TEST(Utf8SetPage, WrittenInUtf8ForEveryRequest) {
    CodePageSet set("utf-8\r\n");
    set.Index().AddDocument("http://site.test/κόσμος", "Κόσμος – 東京", {"ΚΌΣΜΟΣ", "東", "京"});
    set.Index().AddDocument("http://site.test/café", "Café", {"CAFÉ"});
    set.Index().AddDocument("http://site.test/東", "東", {"東"});
    set.Build();
    const std::string first = "1~|~~|~\r\nΚόσμος – 東京~|~http://site.test/κόσμος~|~~|~\r\n";
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=%CE%BA%CF%8C%CF%83%CE%BC%CE%BF%CF%82&_charset_=UTF-8"),
              Page(kUtf8Header, first));
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=%E6%9D%B1%E4%BA%AC&_charset_=UTF-8"),
              Page(kUtf8Header, first));
    // A request without the mark is read as Windows-1252 and answered in UTF-8.
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=caf%E9"),
              Page(kUtf8Header, "1~|~~|~\r\nCafé~|~http://site.test/café~|~~|~\r\n"));
    EXPECT_EQ(CodePageSet::Serve("volumeName=site&searchWords=a*&language=sl"),
              Page(kUtf8Header,
                   "0~|~~|~\r\nZvezdica pri iskanju se lahko~|~Not Applicable~|~~|~\r\n"
                   "uporabi šele na tretjem mestu.~|~Not Applicable~|~~|~\r\n"));
}

}  // namespace
