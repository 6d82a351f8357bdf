// The file list: splitting lines at "T:" and "F:", and the documents each
// entry yields.
#include "indexer/engine/FileList.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "IndexTestSupport.h"

namespace indexer {
namespace {

using test_support::TempFolder;
using test_support::WriteBytes;

TEST(FileListLine, SplitsAtTheFirstTitleAndUrlMarkersInEitherOrder) {
    const struct {
        std::string line;
        FileListEntry expected;
    } cases[] = {
        {"docs/*.htm", {"docs/*.htm", "", ""}},
        {"  docs/*.htm  ", {"docs/*.htm", "", ""}},
        {"docs/*.htm T: Site pages F: http://example.com/", {"docs/*.htm", "Site pages", "http://example.com/"}},
        {"docs/*.htm F: http://example.com/ T: Site pages", {"docs/*.htm", "Site pages", "http://example.com/"}},
        {"a.txt T:Only a title", {"a.txt", "Only a title", ""}},
        {"a.txt F:\thttp://x/\t", {"a.txt", "", "http://x/"}},
        {"T: Title without path", {"", "Title without path", ""}},
        {"a.txt t: lower case is no marker", {"a.txt t: lower case is no marker", "", ""}},
        {"a.txt T: first T: second", {"a.txt", "first T: second", ""}},
        {"C:\\T:\\x.htm", {"C:\\", "\\x.htm", ""}},  // a drive named T cuts the line
        {"", {"", "", ""}},
    };
    for (const auto& c : cases) {
        const FileListEntry entry = ParseFileListLine(c.line);
        EXPECT_EQ(entry.pathPart, c.expected.pathPart) << c.line;
        EXPECT_EQ(entry.title, c.expected.title) << c.line;
        EXPECT_EQ(entry.url, c.expected.url) << c.line;
    }
}

/// Every step of a file list, as "path|openPath|title|url" (path empty for
/// an entry without document).
std::vector<std::string> Steps(const std::string& listPath) {
    FileList list(listPath);
    std::vector<std::string> steps;
    ListedDocument document;
    while (list.Next(document))
        steps.push_back(document.path + "|" + document.openPath + "|" + document.title + "|" + document.url);
    return steps;
}

TEST(FileList, EntriesYieldTheirMatchesRelativeToTheListsFolder) {
    TempFolder folder;
    const std::string site = folder.Path();
    for (const char* name : {"docs/b.htm", "docs/a.HTM", "docs/.hidden.htm", "docs/notes.txt", "top.txt"})
        WriteBytes(folder / name, "x");
    std::filesystem::create_directory(folder / "docs/sub.htm");
    WriteBytes(folder / "list.txt",
               "docs/*.htm T: Docs F: http://x/\r\n"
               "\r\n"
               "missing.txt T: gone\r\n"
               "docs\\NOTES.TXT\r\n"
               "top.txt F: http://x/top T: Top\r\n"
               "docs/none*.htm\r\n");
    EXPECT_EQ(Steps(folder / "list.txt"), (std::vector<std::string>{
                                              "docs/a.HTM|" + site + "/docs/a.HTM|Docs|http://x/",
                                              "docs/b.htm|" + site + "/docs/b.htm|Docs|http://x/",
                                              "|||",
                                              "||gone|",
                                              "docs\\notes.txt|" + site + "/docs/notes.txt||",
                                              "top.txt|" + site + "/top.txt|Top|http://x/top",
                                              "|||",
                                          }));
}

TEST(FileList, LinesMayEndInALoneLineFeed) {
    // As written by `find site -name '*.htm' > list.txt`, mixed with the
    // other two line ends.
    TempFolder folder;
    const std::string site = folder.Path();
    for (const char* name : {"site/a.htm", "site/b.htm", "site/c.htm"}) WriteBytes(folder / name, "x");
    WriteBytes(folder / "list.txt", "site/a.htm\nsite/b.htm T: B\r\nsite/c.htm\rmissing.htm\n");
    EXPECT_EQ(Steps(folder / "list.txt"), (std::vector<std::string>{
                                              "site/a.htm|" + site + "/site/a.htm||",
                                              "site/b.htm|" + site + "/site/b.htm|B|",
                                              "site/c.htm|" + site + "/site/c.htm||",
                                              "|||",
                                          }));
}

TEST(FileList, AbsolutePathsStayAsWritten) {
    TempFolder folder;
    TempFolder other;
    WriteBytes(other / "page.htm", "x");
    WriteBytes(folder / "list.txt", other / "*.htm");
    EXPECT_EQ(Steps(folder / "list.txt"),
              std::vector<std::string>{other / "page.htm" + "|" + other / "page.htm" + "||"});
}

TEST(FileList, MissingListFailsToOpen) {
    TempFolder folder;
    EXPECT_THROW(FileList(folder / "none.txt"), platform::IoError);
}

}  // namespace
}  // namespace indexer
