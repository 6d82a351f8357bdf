// Windows CGI: the profile reader's rules and limits, and requests served by a
// real child process from prepared profile files into their output files.
#include "cgi/CgiWEng.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "CgiTestSupport.h"

namespace {

using cgitest::ReadFile;
using cgitest::WriteFile;

// ---- Profile reader --------------------------------------------------------

class ProfileFile : public ::testing::Test {
protected:
    cgi::TCGIIniFile Load(const std::string& text) {
        WriteFile(folder_ / "profile.ini", text);
        return cgi::TCGIIniFile(folder_ / "profile.ini");
    }
    cgitest::TempFolder folder_;
};

TEST_F(ProfileFile, SectionsAndKeysMatchRegardlessOfCaseAndBlanks) {
    const auto profile = Load("[  cgi ]]] \r\n  Request Method = POST  \r\n[Form Literal]\r\nsearchWords=  a b \r\n");
    EXPECT_EQ(profile.ReadString("CGI", "REQUEST METHOD", "-"), "POST");
    EXPECT_EQ(profile.ReadString("cgi", " request method ", "-"), "POST");
    EXPECT_EQ(profile.ReadString("form literal", "SEARCHWORDS", "-"), "a b");
    EXPECT_EQ(profile.ReadString("CGI", "missing", "-"), "-");
    EXPECT_EQ(profile.ReadString("missing", "REQUEST METHOD", "-"), "-");
    EXPECT_EQ(profile.SectionNames(), (std::vector<std::string>{"CGI", "FORM LITERAL"}));
}

TEST_F(ProfileFile, KeyLinesNeedTheirEqualsSignWithinThe32FirstCharacters) {
    const std::string key31(31, 'k');
    const std::string key32(32, 'm');
    const auto profile = Load("[S]\r\n" + key31 + "=near\r\n" + key32 + "=far\r\nnoequals\r\n=empty key\r\n");
    EXPECT_EQ(profile.ReadString("S", key31, "-"), "near");
    EXPECT_EQ(profile.ReadString("S", key32, "-"), "-");
    EXPECT_EQ(profile.ReadString("S", "", "-"), "-");
    EXPECT_EQ(profile.ReadString("S", "noequals", "-"), "-");
}

TEST_F(ProfileFile, KeysBeforeTheFirstSectionAreIgnoredAndLaterValuesReplaceEarlier) {
    const auto profile = Load("early=1\r\n[S]\r\nk=first\r\nK=second\r\n");
    EXPECT_EQ(profile.ReadString("S", "early", "-"), "-");
    EXPECT_EQ(profile.ReadString("S", "k", "-"), "second");
}

TEST_F(ProfileFile, ARepeatedSectionTakesItsKeysAgain) {
    const auto profile = Load("[CGI]\r\na=1\r\n[Form Literal]\r\nx=1\r\n[cgi]\r\nb=2\r\n");
    EXPECT_EQ(profile.ReadString("CGI", "b", "-"), "2");
    EXPECT_EQ(profile.ReadString("Form Literal", "b", "-"), "-");
}

TEST_F(ProfileFile, LineEndsMayBeCrLfCrOrLf) {
    const auto profile = Load("[S]\ra=1\r\n\r\nb=2\nc=3");
    EXPECT_EQ(profile.ReadString("S", "a", "-"), "1");
    EXPECT_EQ(profile.ReadString("S", "b", "-"), "2");
    EXPECT_EQ(profile.ReadString("S", "c", "-"), "3");
}

TEST_F(ProfileFile, AMissingFileIsAnEmptyProfile) {
    const cgi::TCGIIniFile profile(folder_ / "nothing-here.ini");
    EXPECT_TRUE(profile.SectionNames().empty());
    EXPECT_EQ(profile.ReadString("System", "OUTPUT FILE", ""), "");
}

TEST_F(ProfileFile, KeepsAtMost51SectionsAndSurvives10000) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "[Section" + std::to_string(i) + "]\r\nkey=" + std::to_string(i) + "\r\n";
    const auto profile = Load(text);
    EXPECT_EQ(profile.SectionNames().size(), 51u);
    EXPECT_EQ(profile.ReadString("Section50", "key", "-"), "50");
    EXPECT_EQ(profile.ReadString("Section51", "key", "-"), "-");
    EXPECT_EQ(profile.ReadString("Section9999", "key", "-"), "-");
}

TEST_F(ProfileFile, CutsLinesAt4095BytesAndSurvivesAMegabyteLine) {
    const auto profile = Load("[S]\r\nlong=" + std::string(1 << 20, 'v') + "\r\nnext=ok\r\n");
    EXPECT_EQ(profile.ReadString("S", "long", "-").size(), 4095u - 5u);
    EXPECT_EQ(profile.ReadString("S", "next", "-"), "ok");
}

TEST_F(ProfileFile, FieldNamesSkipNumberedContinuationsOfTheKeyBefore) {
    const auto profile = Load(
        "[Form Literal]\r\nsearchWords=a\r\nsearchWords_1=b\r\nsearchWords_2=c\r\nsearchWords_x=d\r\n"
        "[CGI]\r\nRequest Method=POST\r\n[Form External]\r\nbig=/x 10\r\n[Formula]\r\nz=1\r\n");
    EXPECT_EQ(profile.FieldNames(), (std::vector<std::string>{"SEARCHWORDS", "SEARCHWORDS_X", "BIG", "Z"}));
}

TEST_F(ProfileFile, RandomBytesNeverBreakTheReader) {
    std::mt19937 generator(20261208);
    const std::string alphabet = std::string("[]= \r\n\t_%FORMformCGI\0\xFF\x85", 23);
    for (int round = 0; round < 20; ++round) {
        std::string text;
        for (int i = 0; i < 20000; ++i) text += alphabet[generator() % alphabet.size()];
        // A form section first: the key lines before the next section give field names.
        const auto profile = Load("[FORM LITERAL]\r\n" + text);
        EXPECT_LE(profile.SectionNames().size(), cgi::TCGIIniFile::kMaxSections);
        // Field names are upper-cased, trimmed key names of at most 31 bytes.
        for (const std::string& name : profile.FieldNames()) {
            ASSERT_FALSE(name.empty());
            EXPECT_LT(name.size(), cgi::TCGIIniFile::kKeySpan) << name;
            EXPECT_EQ(name.find_first_of("=\r\nabcdefghijklmnopqrstuvwxyz"), std::string::npos) << name;
            EXPECT_GT(static_cast<unsigned char>(name.front()), 32) << name;
            EXPECT_GT(static_cast<unsigned char>(name.back()), 32) << name;
        }
    }
}

TEST(AbsoluteCgiPath, AbsolutePathsStayAndOthersStartAtTheRoot) {
    EXPECT_EQ(cgi::MakeAbsoluteCgiPath("/srv/req.ini"), "/srv/req.ini");
    EXPECT_EQ(cgi::MakeAbsoluteCgiPath("req.ini"), "/req.ini");
    EXPECT_EQ(cgi::MakeAbsoluteCgiPath("tmp/req.ini"), "/tmp/req.ini");
}

// ---- Requests --------------------------------------------------------------

class WindowsCgi : public ::testing::Test {
protected:
    /// Runs the handler on a profile made of `sections`; returns the output file.
    std::string Serve(const std::string& sections, std::vector<std::string> environment = {}) {
        const std::string profile = sections + "[System]\r\nOutput File=" + output_ + "\r\nGMT Offset=0\r\n";
        WriteFile(folder_ / "request.ini", profile);
        environment.push_back("TARVO_WINDOW_DIR=" + (folder_ / "windows"));
        const auto result = cgitest::RunProgram(folder_, program_, environment, {}, {folder_ / "request.ini"});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, "");  // nothing on standard output under Windows CGI
        return ReadFile(output_);
    }

    cgitest::TempFolder folder_;
    std::string program_ = cgitest::InstallHandler(folder_);
    std::string output_ = folder_ / "response.out";
};

constexpr const char* kPageStart = "content-type:text/html\r\n\r\n<HTML><BODY>\r\n";

TEST_F(WindowsCgi, GetTakesTheFieldsFromTheQueryStringAndWritesNoStatusLine) {
    const std::string response = Serve(
        "[CGI]\r\nRequest Method=GET\r\nQuery String=volumeName=x&language=en\r\nServer Software=Microsoft-IIS\r\n",
        {"TEST_FIELDS=language,volumeName,searchWords"});
    EXPECT_EQ(response, std::string(kPageStart) +
                            "language=[en]\r\nvolumeName=[x]\r\nsearchWords=[(default)]\r\n</BODY></HTML>\r\n");
}

TEST_F(WindowsCgi, PostJoinsNumberedKeysAndListsTheFieldOnce) {
    const std::string sections =
        "[CGI]\r\nRequest Method=POST\r\nContent Length=20\r\n"
        "[Form Literal]\r\nsearchWords=a\r\nsearchWords_1=b\r\nlanguage=fr\r\n";
    EXPECT_EQ(Serve(sections, {"TEST_FIELDS=searchWords,language,volumeName"}),
              std::string(kPageStart) +
                  "searchWords=[a\r\nb]\r\nlanguage=[fr]\r\nvolumeName=[(default)]\r\n</BODY></HTML>\r\n");
    EXPECT_EQ(Serve(sections, {"TEST_HANDLER=names"}),
              std::string(kPageStart) + "name:LANGUAGE\r\nname:SEARCHWORDS\r\n");
}

TEST_F(WindowsCgi, FormFileAndFormExternalFieldsAreRead) {
    WriteFile(folder_ / "external.bin", std::string("long external value") + std::string("\0tail", 5));
    const std::string sections =
        "[CGI]\r\nRequest Method=POST\r\n[Form File]\r\nfiled=  as stored \r\n"
        "[Form External]\r\nbig=" +
        (folder_ / "external.bin") +
        " 24\r\n"
        "short=" +
        (folder_ / "external.bin") +
        " 4\r\n"
        "huge=" +
        (folder_ / "external.bin") +
        " 9999999999\r\n"
        "gone=" +
        (folder_ / "missing.bin") +
        " 10\r\n"
        "nolength=" +
        (folder_ / "external.bin") + "\r\n";
    EXPECT_EQ(Serve(sections, {"TEST_FIELDS=filed,big,short,huge,gone,nolength"}),
              std::string(kPageStart) +
                  "filed=[as stored]\r\nbig=[long external value]\r\nshort=[long]\r\nhuge=[long external value]\r\n"
                  "gone=[(default)]\r\nnolength=[(default)]\r\n</BODY></HTML>\r\n");
}

TEST_F(WindowsCgi, ServerVariablesComeFromTheProfileSectionsInOrder) {
    const std::string sections =
        "[CGI]\r\nRequest Method=GET\r\nQuery String=x=1\r\nExecutable Path=/cgi-bin/tarvocgi\r\nContent Length=12\r\n"
        "[Accept]\r\nUser Agent=from accept\r\n[Extra Headers]\r\nUser Agent=from headers\r\nCookie=k=v\r\n";
    EXPECT_EQ(Serve(sections, {"TEST_HANDLER=vars"}),
              std::string(kPageStart) +
                  "method=GET\r\nquery=x=1\r\nlength=12\r\nscript=/cgi-bin/tarvocgi\r\n"
                  "executable=/cgi-bin/tarvocgi\r\nagent=from headers\r\ncookie=k=v\r\n");
}

TEST_F(WindowsCgi, AMissingCookieIsTheMissingValueMarker) {
    EXPECT_NE(Serve("[CGI]\r\nRequest Method=GET\r\n", {"TEST_HANDLER=vars"}).find("cookie=#1NOT_AVAILABLE#1"),
              std::string::npos);
}

TEST_F(WindowsCgi, AProfileWithoutOutputFileServesNothing) {
    WriteFile(folder_ / "bare.ini", "[CGI]\r\nRequest Method=GET\r\nQuery String=a=1\r\n");
    const auto result = cgitest::RunProgram(folder_, program_, {"TEST_FIELDS=a", "TARVO_WINDOW_DIR=" + (folder_ / "w")},
                                            {}, {folder_ / "bare.ini"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_FALSE(cgitest::fs::exists(output_));
}

TEST_F(WindowsCgi, AMissingProfileServesNothing) {
    const auto result = cgitest::RunProgram(folder_, program_, {"TARVO_WINDOW_DIR=" + (folder_ / "w")}, {},
                                            {folder_ / "no-such-profile.ini"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
}

TEST_F(WindowsCgi, AnOldLongerOutputFileIsReplacedWhole) {
    WriteFile(output_, std::string(10000, '#'));
    EXPECT_EQ(Serve("[CGI]\r\nRequest Method=GET\r\nQuery String=a=1\r\n", {"TEST_FIELDS=a"}),
              std::string(kPageStart) + "a=[1]\r\n</BODY></HTML>\r\n");
}

TEST_F(WindowsCgi, AnExceptionGoesToTheLogAndTheOutputKeepsWhatWasWritten) {
    EXPECT_EQ(Serve("[CGI]\r\nRequest Method=GET\r\n", {"TEST_HANDLER=throw"}), std::string(kPageStart));
    EXPECT_NE(ReadFile(folder_ / "Log/CgiTestHandler.Log").find(" : Unhandled exception : handler failed on purpose"),
              std::string::npos);
}

TEST_F(WindowsCgi, BufferedResponsesCarryTheirContentLength) {
    const std::string body = "<HTML><BODY>\r\na=[1]\r\n</BODY></HTML>\r\n";
    EXPECT_EQ(Serve("[CGI]\r\nRequest Method=GET\r\nQuery String=a=1\r\n", {"TEST_FIELDS=a", "TEST_BUFFERED=1"}),
              "content-type:text/html\r\ncontent-length:" + std::to_string(body.size()) + "\r\n\r\n" + body);
}

TEST_F(WindowsCgi, AWindowsCgiVersionBeatsAServerSoftwareVariable) {
    EXPECT_EQ(Serve("[CGI]\r\nRequest Method=GET\r\nQuery String=a=2\r\n",
                    {"SERVER_SOFTWARE=Apache", "CGI_VERSION=cgi/1.3a win", "TEST_FIELDS=a"}),
              std::string(kPageStart) + "a=[2]\r\n</BODY></HTML>\r\n");
}

}  // namespace
