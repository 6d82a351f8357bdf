// Whole searches: operator words combined left to right, the listing of the
// documents found from the table of contents, and the message lines.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include <memory>
#include <string>
#include <vector>

#include "SearchTestSupport.h"
#include "search/TTARVO.h"

namespace search {
namespace {

using test_support::TestIndex;
using Titles = std::vector<std::string>;

/// Documents 1 to 8; each title is "Doc n" and each URL "http://site/n.html".
class QueryEvaluation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        index_ = std::make_unique<TestIndex>();
        const std::vector<std::vector<std::string>> words = {
            {"CAT"},     {"CAT", "DOG"},   {"DOG"}, {"BIRD", "CAT"}, {"BIRD", "DOG"}, {"CAT", "DOG", "BIRD", "D"},
            {"CAT&DOG"}, {"D", "CATALOG"},
        };
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            index_->AddDocument("http://site/" + n + ".html", "Doc " + n, words[i]);
        }
        index_->Build();
    }
    static void TearDownTestSuite() { index_.reset(); }

    /// The titles listed by a search, checking that URLs come in step.
    static Titles Found(const std::string& query) {
        TTARVO engine(index_->BasePath());
        engine.Search(query);
        EXPECT_EQ(engine.GetTitles().size(), engine.GetUrls().size()) << query;
        EXPECT_EQ(static_cast<std::size_t>(engine.GetFoundCount()), engine.GetUrls().size()) << query;
        for (std::size_t i = 0; i < engine.GetUrls().size(); ++i)
            EXPECT_EQ("http://site/" + engine.GetTitles()[i].substr(4) + ".html", engine.GetUrls()[i]);
        return engine.GetTitles();
    }

    static Titles Docs(std::initializer_list<int> numbers) {
        Titles titles;
        for (const int n : numbers) titles.push_back("Doc " + std::to_string(n));
        return titles;
    }

    static std::unique_ptr<TestIndex> index_;
};
std::unique_ptr<TestIndex> QueryEvaluation::index_;

TEST_F(QueryEvaluation, OperatorsCombineLeftToRight) {
    struct Case {
        std::string query;
        Titles found;
    };
    const std::vector<Case> cases = {
        {"cat", Docs({1, 2, 4, 6})},
        {"cat dog", Docs({2, 6})},  // no operator: intersection
        {"cat and dog", Docs({2, 6})},
        {"cat & dog", Docs({2, 6})},
        {"cat or dog", Docs({1, 2, 3, 4, 5, 6})},
        {"CAT OR DOG", Docs({1, 2, 3, 4, 5, 6})},
        {"cat Or dog", Docs({1, 2, 3, 4, 5, 6})},
        {"cat | dog", Docs({1, 2, 3, 4, 5, 6})},
        {"cat | dog & bird", Docs({4, 5, 6})},  // (cat or dog) and bird
        {"bird & dog | cat", Docs({1, 2, 4, 5, 6})},
        {"cat not dog", Docs({1, 4})},
        {"cat ! dog", Docs({1, 4})},
        {"not cat dog", Docs({1, 4})},                 // a leading operator waits for the second term
        {"cat and or dog", Docs({1, 2, 3, 4, 5, 6})},  // the last operator word counts
        {"cat and", Docs({1, 2, 4, 6})},               // a trailing operator does nothing
        {"cat&dog", Docs({7})},                        // one term: "&" is an operator only on its own
        {"cat d", Docs({6})},                          // two terms: CAT and D
        {"catalog d", Docs({8})},
        {"cat)", Docs({1, 2, 4, 6})},
        {"(cat) (dog)", Docs({2, 6})},
        {"\"cat\"  \"dog\"", Docs({2, 6})},  // empty tokens are skipped
        {"cat dog or bird", Docs({2, 4, 5, 6})},
        {"cat* not cata*", Docs({1, 2, 4, 6, 7})},
    };
    for (const auto& c : cases) EXPECT_EQ(Found(c.query), c.found) << c.query;
}

TEST_F(QueryEvaluation, NothingFoundReports513) {
    for (const std::string query : {"", "and", "or not", "zebra", "cat zebra", "   ", "()"}) {
        TTARVO engine(index_->BasePath());
        engine.Search(query);
        EXPECT_EQ(engine.GetFoundCount(), 0) << query;
        EXPECT_EQ(engine.GetTitles(), Titles{"No records found"}) << query;
        EXPECT_TRUE(engine.GetUrls().empty()) << query;
        EXPECT_EQ(engine.TakeErrorCode(), 513) << query;
    }
}

TEST_F(QueryEvaluation, WildcardRuleStopsTheSearch) {
    for (const std::string query : {"dog ca* cat", "ca*", "cat or ?og"}) {
        TTARVO engine(index_->BasePath());
        engine.Search(query);
        EXPECT_EQ(engine.GetFoundCount(), 0) << query;
        EXPECT_EQ(engine.GetTitles(), (Titles{"All wildcard characters must", "be after the 3rd character."})) << query;
        EXPECT_TRUE(engine.GetUrls().empty());
        EXPECT_EQ(engine.TakeErrorCode(), 512) << query;
    }
}

TEST_F(QueryEvaluation, QueryIsCutAt255Characters) {
    // The terms after the 255th character are not looked up.
    std::string query;
    while (query.size() < 252) query += "cat ";
    ASSERT_EQ(query.size(), 252u);
    EXPECT_EQ(Found(query + "dog"), Docs({2, 6}));            // "dog" ends at 255
    EXPECT_EQ(Found(query + "    dog"), Docs({1, 2, 4, 6}));  // "dog" lies beyond
}

TEST_F(QueryEvaluation, TermSetsAreCombinedNotReplaced) {
    TTARVO engine(index_->BasePath());
    engine.EvaluateQuery("bird or cat");
    EXPECT_EQ(test_support::Members(engine.GetResultSet()), (std::vector<std::uint32_t>{1, 2, 4, 5, 6}));
    TBitSet other(500);
    other.SetBit(5);
    engine.CombineSets(other, 3);
    EXPECT_EQ(test_support::Members(engine.GetResultSet()), (std::vector<std::uint32_t>{1, 2, 4, 6}));
    engine.CombineSets(other, 7);  // unknown codes do nothing
    EXPECT_EQ(test_support::Members(engine.GetResultSet()), (std::vector<std::uint32_t>{1, 2, 4, 6}));
}

// ---- Listing ---------------------------------------------------------------

TEST(QueryListing, DocumentsComeInDocumentNumberOrder) {
    TestIndex index;
    for (int n = 1; n <= 7; ++n) index.AddDocument("u" + std::to_string(n), "T" + std::to_string(n));
    for (const int n : {7, 2, 5}) index.AddEntry("ORDER", n);
    index.Build();
    TTARVO engine(index.BasePath());
    engine.Search("order");
    EXPECT_EQ(engine.GetTitles(), (Titles{"T2", "T5", "T7"}));
    EXPECT_EQ(engine.GetUrls(), (Titles{"u2", "u5", "u7"}));
    EXPECT_EQ(engine.TakeErrorCode(), 0);
}

TEST(QueryListing, FieldsLoseTheirLastByteZeroTailAndTrailingBlanks) {
    TestIndex index;
    const std::string title100(100, 'T');
    const std::string url255 = "http://" + std::string(248, 'u');
    index.AddDocument(url255, title100, {"FULL"});
    index.AddDocument("http://a/b c.html  \t", "Title with blanks \x01\x02", {"TRIM"});
    index.AddDocument(std::string("http://z/\0rest", 14), std::string("Zero\0tail", 9), {"ZERO"});
    index.AddDocument("http://blank/", "", {"BLANK"});
    index.Build();
    const auto search = [&](const std::string& query) {
        TTARVO engine(index.BasePath());
        engine.Search(query);
        EXPECT_EQ(engine.GetFoundCount(), 1) << query;
        return std::make_pair(engine.GetUrls().at(0), engine.GetTitles().at(0));
    };
    EXPECT_EQ(search("full"), std::make_pair(url255.substr(0, 254), title100.substr(0, 99)));
    EXPECT_EQ(search("trim"), std::make_pair(std::string("http://a/b c.html"), std::string("Title with blanks")));
    EXPECT_EQ(search("zero"), std::make_pair(std::string("http://z/"), std::string("Zero")));
    EXPECT_EQ(search("blank"), std::make_pair(std::string("http://blank/"), std::string()));
}

TEST(QueryListing, ManyDocumentsAreAllListed) {
    TestIndex index;
    constexpr int kDocuments = 3000;
    for (int n = 1; n <= kDocuments; ++n) {
        std::vector<std::string> words{"ALL"};
        if (n % 3 == 0) words.push_back("THIRD");
        index.AddDocument("u" + std::to_string(n), "T" + std::to_string(n), words);
    }
    index.Build();
    TTARVO engine(index.BasePath());
    engine.Search("all");
    ASSERT_EQ(engine.GetFoundCount(), kDocuments);
    for (int n = 1; n <= kDocuments; ++n) ASSERT_EQ(engine.GetTitles()[n - 1], "T" + std::to_string(n));
    TTARVO thirds(index.BasePath());
    thirds.Search("all not third");
    ASSERT_EQ(thirds.GetFoundCount(), 2000);
    EXPECT_EQ(thirds.GetTitles()[0], "T1");
    EXPECT_EQ(thirds.GetTitles()[1], "T2");
    EXPECT_EQ(thirds.GetTitles()[2], "T4");
    EXPECT_EQ(thirds.GetTitles().back(), "T2999");
}

TEST(QueryListing, DocumentsBeyondTheTableOfContentsAreIgnored) {
    TestIndex index;
    index.AddDocument("u1", "T1", {"CAT"});
    index.AddEntry("CAT", 9);  // names a document the table of contents lacks
    index.AddEntry("GHOST", 12);
    index.Build();
    TTARVO engine(index.BasePath());
    engine.Search("cat");
    EXPECT_EQ(engine.GetTitles(), Titles{"T1"});
    TTARVO ghost(index.BasePath());
    ghost.Search("ghost");
    EXPECT_EQ(ghost.GetTitles(), Titles{"No records found"});
    EXPECT_EQ(ghost.TakeErrorCode(), 513);
}

TEST(QueryListing, ListingOnDemandHandsOverWhatTheListsHold) {
    // Documents scattered over many windows of records, the table of
    // contents shorter than the postings, and a search that finds nothing.
    TestIndex index;
    constexpr int kDocuments = 700;
    for (int n = 1; n <= kDocuments; ++n) {
        std::vector<std::string> words{"ALL"};
        if (n % 7 == 0 || n % 11 == 0) words.push_back("SOME");
        index.AddDocument("u" + std::to_string(n), "T" + std::to_string(n), words);
    }
    index.AddEntry("SOME", 900);
    index.Build();
    for (const std::string query : {"all", "some", "some not all", "all not some", "nothing"}) {
        TTARVO lists(index.BasePath());
        lists.Search(query);
        TTARVO onDemand(index.BasePath());
        onDemand.SetListOnDemand(true);
        onDemand.Search(query);
        EXPECT_EQ(onDemand.GetFoundCount(), lists.GetFoundCount()) << query;
        EXPECT_EQ(onDemand.TakeErrorCode(), lists.TakeErrorCode()) << query;
        Titles titles, urls;
        onDemand.VisitDocuments([&](std::string_view title, std::string_view url) {
            titles.emplace_back(title);
            urls.emplace_back(url);
        });
        if (lists.GetFoundCount() == 0) {
            EXPECT_TRUE(titles.empty()) << query;
            EXPECT_EQ(onDemand.GetTitles(), lists.GetTitles()) << "the message line is kept: " << query;
        } else {
            EXPECT_EQ(titles, lists.GetTitles()) << query;
            EXPECT_EQ(urls, lists.GetUrls()) << query;
            EXPECT_TRUE(onDemand.GetTitles().empty()) << query;
        }
    }
}

TEST(QueryListing, ListingOnDemandReadsTheSetTheSearchSaw) {
    // The table of contents the search counted from is read again even when
    // a new set has replaced it by then.
    TestIndex index;
    for (int n = 1; n <= 3; ++n) index.AddDocument("u" + std::to_string(n), "Old" + std::to_string(n), {"W"});
    index.Build();
    TTARVO engine(index.BasePath());
    engine.SetListOnDemand(true);
    engine.Search("w");
    ASSERT_EQ(engine.GetFoundCount(), 3);
    TestIndex replacement;
    replacement.AddDocument("n1", "New1", {"W"});
    replacement.Build();
    std::filesystem::rename(replacement.BasePath() + ".toc", index.BasePath() + ".toc");
    Titles titles;
    engine.VisitDocuments([&](std::string_view title, std::string_view) { titles.emplace_back(title); });
    EXPECT_EQ(titles, (Titles{"Old1", "Old2", "Old3"}));
}

// ---- File errors -------------------------------------------------------------

struct FileErrorCase {
    std::string missing;
    std::int32_t status;
    std::int32_t code;
};

TEST(QueryFileErrors, MissingFileGivesFileErrors) {
    const std::vector<FileErrorCase> cases = {
        {".toc", kStatusToc, 274},
        {".dct", kStatusDct, 306},
        {".hsh", kStatusHsh, 290},
        {".ndx", kStatusNdx, 322},
    };
    for (const auto& c : cases) {
        TestIndex index;
        index.AddDocument("u1", "T1", {"CAT", "DOG"});
        index.Build();
        index.Remove(c.missing);
        TTARVO engine(index.BasePath());
        engine.Search("cat or dog");
        EXPECT_EQ(engine.GetTitles(), Titles{"File errors!"}) << c.missing;
        EXPECT_EQ(engine.GetFoundCount(), 0) << c.missing;
        EXPECT_EQ(engine.GetStatus(), c.status) << c.missing;
        EXPECT_EQ(engine.TakeErrorCode(), c.code) << c.missing;
        EXPECT_EQ(engine.GetFileFailure().Extension, c.missing);
        EXPECT_EQ(engine.GetFileFailure().ErrorNumber, ENOENT) << c.missing;
    }
}

TEST(QueryFileErrors, TheFailureNamesTheFirstFileThatFailedAndOnlyAFailure) {
    TestIndex index;
    index.AddDocument("u1", "T1", {"CAT"});
    index.Build();
    TTARVO healthy(index.BasePath());
    healthy.Search("cat");
    EXPECT_TRUE(healthy.GetFileFailure().Extension.empty());

    // The dictionary fails before the table of contents is asked for.
    index.Remove(".dct");
    std::filesystem::remove(index.BasePath() + ".toc");
    std::filesystem::create_directory(index.BasePath() + ".toc");
    TTARVO dictionaryFirst(index.BasePath());
    dictionaryFirst.Search("cat dog");
    EXPECT_EQ(dictionaryFirst.GetFileFailure().Extension, ".dct");

    // Without a term only ".toc" is opened; a folder in its place is no file.
    TTARVO folderToc(index.BasePath());
    folderToc.Search("");
    EXPECT_EQ(folderToc.GetTitles(), Titles{"File errors!"});
    EXPECT_EQ(folderToc.GetFileFailure().Extension, ".toc");
    EXPECT_EQ(folderToc.GetFileFailure().ErrorNumber, EISDIR);
}

TEST(QueryFileErrors, WholeSetMissingReportsTheDictionary) {
    test_support::TempFolder folder;
    TTARVO engine(folder / "nothing");
    engine.Search("cat");
    EXPECT_EQ(engine.GetTitles(), Titles{"File errors!"});
    EXPECT_EQ(engine.TakeErrorCode(), 306);
}

TEST(QueryFileErrors, WildcardMessageWinsOverAMissingTableOfContents) {
    TestIndex index;
    index.AddDocument("u1", "T1", {"CAT"});
    index.Build();
    index.Remove(".toc");
    TTARVO engine(index.BasePath());
    engine.Search("cat ca*");
    EXPECT_EQ(engine.TakeErrorCode(), 512);
}

}  // namespace
}  // namespace search
