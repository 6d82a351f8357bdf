// The help viewer's page handling and the about box's link messages:
// frame sets, space division among frames, link rewriting and decoding.
#include <gtest/gtest.h>

#include "indexer/app/AboutInfo.h"
#include "indexer/viewer/HtmlFrames.h"
#include "platform/ShellOpen.h"

namespace {

using indexer::DecodeLink;
using indexer::DivideSpace;
using indexer::ParseFrameSet;
using indexer::PreparePage;

TEST(HelpFrameSet, OrdinaryPageHasNone) {
    EXPECT_FALSE(ParseFrameSet("<html><body><a href=x.htm>frame</a> FRAMESET</body></html>").has_value());
    EXPECT_FALSE(ParseFrameSet("").has_value());
}

TEST(HelpFrameSet, ColumnsWithNamedFrames) {
    const auto set = ParseFrameSet(
        "<HTML><FRAMESET COLS=\"190,*\">\n<FRAME SRC=\"CONTENTS.HTM\" NAME=\"contents\">\n"
        "<frame src='WELCOME.HTM' name=main></FRAMESET></HTML>");
    ASSERT_TRUE(set.has_value());
    EXPECT_TRUE(set->isFrameSet);
    EXPECT_TRUE(set->columns);
    EXPECT_EQ(set->sizes, (std::vector<std::string>{"190", "*"}));
    ASSERT_EQ(set->children.size(), 2u);
    EXPECT_EQ(set->children[0].source, "CONTENTS.HTM");
    EXPECT_EQ(set->children[0].name, "contents");
    EXPECT_EQ(set->children[1].source, "WELCOME.HTM");
    EXPECT_EQ(set->children[1].name, "main");
}

TEST(HelpFrameSet, NestedSetsAndCommentsAndAnUnclosedSet) {
    const auto set = ParseFrameSet(
        "<!-- <frameset cols=\"1,2\"> --><frameset rows=\"20%, *\"><frame src=top.htm>"
        "<frameset cols=\"*,2*\"><frame src=a.htm name=a><frame src=b.htm name=b></frameset>");
    ASSERT_TRUE(set.has_value());
    EXPECT_FALSE(set->columns);
    EXPECT_EQ(set->sizes, (std::vector<std::string>{"20%", "*"}));
    ASSERT_EQ(set->children.size(), 2u);
    EXPECT_FALSE(set->children[0].isFrameSet);
    const auto& inner = set->children[1];
    ASSERT_TRUE(inner.isFrameSet);
    EXPECT_TRUE(inner.columns);
    ASSERT_EQ(inner.children.size(), 2u);
    EXPECT_EQ(inner.children[1].name, "b");
}

TEST(HelpFrameSpace, PanesFollowTheirSizesAndFillTheSpace) {
    const struct {
        std::vector<std::string> sizes;
        std::size_t count;
        int total;
        std::vector<int> parts;
    } rows[] = {
        {{"190", "*"}, 2, 800, {190, 610}},
        {{"25%", "*"}, 2, 400, {100, 300}},
        {{"*", "2*"}, 2, 300, {100, 200}},
        {{"*", "*", "*"}, 3, 100, {33, 33, 34}},
        {{}, 2, 51, {25, 26}},
        {{"100", "100"}, 2, 300, {100, 200}},  // fixed sizes too small: the last part grows
        {{"500", "*"}, 2, 300, {300, 0}},      // too large: the later parts shrink first
        {{"50%", "50%", "50%"}, 3, 100, {50, 50, 0}},
        {{"x", "*"}, 2, 10, {0, 10}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DivideSpace(row.sizes, row.count, row.total), row.parts) << ::testing::PrintToString(row.sizes);
    }
    EXPECT_TRUE(DivideSpace({"*"}, 0, 100).empty());
}

TEST(HelpLinks, PageLinksBecomeAbsoluteAndCarryTheirTarget) {
    const std::string page =
        "<a href=\"FILELIST.HTM\" target=\"main\">File list</a> "
        "<A HREF='sub/X.HTM#part'>x</A> <a href=#top>top</a> <a href=\"http://example.com/\">web</a> "
        "<img src=\"TARVO.PNG\" width=10> <img src=/abs/pic.gif> <a name=here>here</a>";
    const std::string prepared = PreparePage(page, "/opt/tarvo/Help");
    EXPECT_NE(prepared.find("<a href=\"tarvo-link:main|/opt/tarvo/Help/FILELIST.HTM\" target=\"main\">"),
              std::string::npos)
        << prepared;
    EXPECT_NE(prepared.find("<A HREF=\"tarvo-link:|/opt/tarvo/Help/sub/X.HTM|part\">"), std::string::npos) << prepared;
    EXPECT_NE(prepared.find("<a href=#top>"), std::string::npos) << "a place in the page stays as it is";
    EXPECT_NE(prepared.find("<a href=\"http://example.com/\">"), std::string::npos);
    EXPECT_NE(prepared.find("<img src=\"/opt/tarvo/Help/TARVO.PNG\" width=10>"), std::string::npos) << prepared;
    EXPECT_NE(prepared.find("<img src=/abs/pic.gif>"), std::string::npos);
    EXPECT_NE(prepared.find("<a name=here>here</a>"), std::string::npos);
}

TEST(HelpLinks, TextOutsideTagsIsKeptByteForByte) {
    const std::string page = "caf\xE9 &amp; <b>bold</b> a < b > c <!-- <a href=x.htm> --> end";
    EXPECT_EQ(PreparePage(page, "/h"), page);
}

TEST(HelpLinks, DecodeReadsWhatPrepareWrote) {
    const auto link = DecodeLink("tarvo-link:main|/opt/tarvo/Help/A.HTM|sec");
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->frame, "main");
    EXPECT_EQ(link->path, "/opt/tarvo/Help/A.HTM");
    EXPECT_EQ(link->anchor, "sec");
    const auto plain = DecodeLink("tarvo-link:|/h/B.HTM");
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->frame, "");
    EXPECT_EQ(plain->anchor, "");
    EXPECT_FALSE(DecodeLink("/h/pic.png").has_value()) << "a picture path is no link";
    EXPECT_FALSE(DecodeLink("tarvo-link:nobar").has_value());
}

TEST(AboutLink, FailureMessagesByResult) {
    const std::string address(indexer::kProductAddress);
    EXPECT_FALSE(indexer::OpenLinkFailureMessage(33, address).has_value());
    EXPECT_FALSE(indexer::OpenLinkFailureMessage(42, address).has_value());
    EXPECT_EQ(indexer::OpenLinkFailureMessage(31, address), "No browser application available");
    EXPECT_EQ(indexer::OpenLinkFailureMessage(2, address), "Error <2> attempting to open application for - " + address);
    EXPECT_EQ(indexer::OpenLinkFailureMessage(32, address),
              "Error <32> attempting to open application for - " + address);
    EXPECT_EQ(indexer::kVersionText, "Version 1.4.5");
}

TEST(AboutLink, ShellOpenReportsAMissingOpenerAsNoAssociation) {
    EXPECT_EQ(platform::ShellOpen("https://example.com/", "tarvo-no-such-opener"), platform::kShellNoAssociation);
    EXPECT_EQ(platform::ShellOpen("https://example.com/", "/nonexistent/xdg-open"), platform::kShellNoAssociation);
    EXPECT_GT(platform::ShellOpen("https://example.com/", "true"), 32) << "an opener that exists is started";
}

}  // namespace
