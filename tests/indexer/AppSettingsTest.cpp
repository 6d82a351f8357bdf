// The desktop indexer's settings logic: reopen list moves and storage,
// project captions, "Save As" names, and the options dialog's actions.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "indexer/app/OptionsDialogLogic.h"
#include "indexer/app/ProjectNames.h"
#include "indexer/app/ReopenList.h"
#include "indexer/engine/WordRules.h"

namespace {

using apptest::TempFolder;

class ReopenListTest : public ::testing::Test {
protected:
    ReopenListTest() : registry_(scratch_ / "defaults"), defaults_(registry_) {}

    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (std::size_t i = 0; i < indexer::ReopenList::kEntryCount; ++i) entries.push_back(list_.Entry(i));
        return entries;
    }
    std::vector<std::string> Stored() {
        std::vector<std::string> stored;
        for (int i = 1; i <= 5; ++i) stored.push_back(defaults_.ReadDefaultString("prj", std::to_string(i)));
        return stored;
    }

    TempFolder scratch_;
    platform::UserRegistry registry_;
    indexer::StoredDefaults defaults_;
    indexer::ReopenList list_;
};

TEST_F(ReopenListTest, FirstStartStoresFiveEmptyEntriesAndShowsNone) {
    list_.Load(defaults_);
    EXPECT_TRUE(defaults_.DefaultKeyExists("prj"));
    for (int i = 1; i <= 5; ++i) {
        const auto value = registry_.QueryValue("\\Software\\TARVO\\prj", std::to_string(i));
        ASSERT_TRUE(value.has_value()) << i;
        EXPECT_EQ(value->text, "");
        EXPECT_FALSE(list_.Visible(static_cast<std::size_t>(i - 1)));
    }
}

TEST_F(ReopenListTest, StoredEntriesLoadAndOnlyFilledOnesShow) {
    defaults_.WriteDefaultString("prj", "1", "/a.tarvo");
    defaults_.WriteDefaultString("prj", "3", "/c.tarvo");
    list_.Load(defaults_);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"/a.tarvo", "", "/c.tarvo", "", ""}));
    EXPECT_TRUE(list_.Visible(0));
    EXPECT_FALSE(list_.Visible(1));
    EXPECT_TRUE(list_.Visible(2));
}

TEST_F(ReopenListTest, MovesFollowTheOrderOfUse) {
    list_.Load(defaults_);
    for (const char* p : {"P1", "P2", "P3", "P4", "P5", "P6"}) list_.Add(p, defaults_);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"P6", "P5", "P4", "P3", "P2"}));
    list_.Add("P4", defaults_);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"P4", "P6", "P5", "P3", "P2"}));
    list_.Add("P2", defaults_);  // entry 5
    EXPECT_EQ(Entries(), (std::vector<std::string>{"P2", "P4", "P6", "P5", "P3"}));
    list_.Add("P2", defaults_);  // saving the current project again
    EXPECT_EQ(Entries(), (std::vector<std::string>{"P2", "P4", "P6", "P5", "P3"}));
    list_.Add("P4", defaults_);  // entry 2
    EXPECT_EQ(Entries(), (std::vector<std::string>{"P4", "P2", "P6", "P5", "P3"}));
    list_.Add("P6", defaults_);  // entry 3
    EXPECT_EQ(Entries(), (std::vector<std::string>{"P6", "P4", "P2", "P5", "P3"}));
    EXPECT_EQ(Stored(), Entries()) << "every change reaches the stored defaults";
}

TEST_F(ReopenListTest, LetterCaseMakesADifferentEntry) {
    list_.Load(defaults_);
    list_.Add("/web/Site.tarvo", defaults_);
    list_.Add("/web/site.tarvo", defaults_);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"/web/site.tarvo", "/web/Site.tarvo", "", "", ""}));
    EXPECT_EQ(Stored(), Entries());
}

TEST_F(ReopenListTest, EntriesNeverBecomeHiddenAgain) {
    list_.Load(defaults_);
    list_.Add("A", defaults_);
    EXPECT_TRUE(list_.Visible(0));
    EXPECT_FALSE(list_.Visible(1));
    list_.Add("B", defaults_);
    EXPECT_TRUE(list_.Visible(1));
}

TEST(ProjectCaption, NameIsTheFileNameUpToItsFirstDot) {
    const struct {
        const char* path;
        const char* caption;
    } rows[] = {
        {"", "Project: untitled"},
        {"/web/site.tarvo", "Project: site"},
        {"/web/site.old.tarvo", "Project: site"},
        {"/web/notes", "Project: notes"},
        {"notes", "Project: notes"},
        {"/web.d/plain", "Project: plain"},
    };
    for (const auto& row : rows) EXPECT_EQ(indexer::ProjectCaption(row.path), row.caption) << row.path;
}

TEST(SaveAsProjectPath, OnlyAnExactTarExtensionIsMended) {
    const struct {
        const char* chosen;
        const char* project;
    } rows[] = {
        {"/web/site.tar", "/web/site.tarvo"},
        {"/web/my.site.tar", "/web/my.tarvo"},
        {"/web/site.TAR", "/web/site.TAR"},
        {"/web/site.tarvo", "/web/site.tarvo"},
        {"/web/site", "/web/site"},
        {"site.tar", "site.tarvo"},
        {"/we.b/site.tar", "/we.b/site.tarvo"},
    };
    for (const auto& row : rows) EXPECT_EQ(indexer::SaveAsProjectPath(row.chosen), row.project) << row.chosen;
}

// --- Options dialog ----------------------------------------------------------

class OptionsDialogTest : public ::testing::Test {
protected:
    OptionsDialogTest() : registry_(scratch_ / "defaults"), defaults_(registry_), dialog_(words_, defaults_) {
        words_ = indexer::WordDefaults{" ,", true, 2, 9};
        defaults_.WriteDefaultString("delimiters", "", "~;");
        defaults_.WriteDefaultBool("dumpwords", false);
        defaults_.WriteDefaultInt("digitmin", 1);
        defaults_.WriteDefaultInt("digitmax", 0);
    }

    TempFolder scratch_;
    platform::UserRegistry registry_;
    indexer::StoredDefaults defaults_;
    indexer::WordDefaults words_;
    indexer::OptionsDialogLogic dialog_;
};

TEST_F(OptionsDialogTest, ShowFillsTheControlsFromTheCurrentOptions) {
    const auto controls = dialog_.Show();
    EXPECT_EQ(controls.delimiters, " ,");
    EXPECT_TRUE(controls.dumpWords);
    EXPECT_EQ(controls.digitMinIndex, 2);
    EXPECT_EQ(controls.digitMaxIndex, 9);
}

TEST_F(OptionsDialogTest, UseTakesTheControlsIncludingAnUnselectedBox) {
    dialog_.Use(indexer::OptionsControls{";", false, -1, 10});
    EXPECT_EQ(words_.delimiters, ";");
    EXPECT_FALSE(words_.dumpwords);
    EXPECT_EQ(words_.digitmin, -1);
    EXPECT_EQ(words_.digitmax, 10);
}

TEST_F(OptionsDialogTest, RevertThenCancelLeavesTheCurrentOptions) {
    const auto reverted = dialog_.RevertToDefaults();
    EXPECT_EQ(reverted.delimiters, "~;");
    EXPECT_FALSE(reverted.dumpWords);
    EXPECT_EQ(reverted.digitMinIndex, 1);
    EXPECT_EQ(reverted.digitMaxIndex, 0);
    // Cancel: Use is never called.
    EXPECT_EQ(words_.delimiters, " ,");
    EXPECT_EQ(words_.digitmax, 9);
}

TEST_F(OptionsDialogTest, RevertThenUseTakesTheDefaults) {
    dialog_.Use(dialog_.RevertToDefaults());
    EXPECT_EQ(words_.delimiters, "~;");
    EXPECT_EQ(words_.digitmin, 1);
}

TEST_F(OptionsDialogTest, SetAsDefaultsStoresTheControlsButKeepsTheCurrentOptions) {
    dialog_.SetAsDefaults(indexer::OptionsControls{"\x96", true, 3, -1});
    EXPECT_EQ(defaults_.ReadDefaultString("delimiters", ""), "\x96");
    EXPECT_TRUE(defaults_.ReadDefaultBool("dumpwords"));
    EXPECT_EQ(defaults_.ReadDefaultInt("digitmin"), 3);
    EXPECT_EQ(defaults_.ReadDefaultInt("digitmax"), -1);
    EXPECT_EQ(words_.delimiters, " ,");
    EXPECT_EQ(words_.digitmin, 2);
}

TEST_F(OptionsDialogTest, CharsetGoesThroughUseSetAsDefaultsAndRevert) {
    indexer::OptionsControls controls = dialog_.Show();
    EXPECT_EQ(controls.charset, indexer::DocumentCharset::Windows1252);
    controls.charset = indexer::DocumentCharset::Utf8;
    dialog_.SetAsDefaults(controls);
    EXPECT_EQ(defaults_.ReadDefaultString("charset", ""), "utf-8");
    EXPECT_EQ(words_.charset, indexer::DocumentCharset::Windows1252) << "only Use changes the options";
    dialog_.Use(dialog_.RevertToDefaults());
    EXPECT_EQ(words_.charset, indexer::DocumentCharset::Utf8);
}

TEST(DigitRuleBox, TextsAndIndexesMatchTheEntries) {
    EXPECT_EQ(indexer::DigitRuleIndex("none"), 0);
    EXPECT_EQ(indexer::DigitRuleIndex("7"), 7);
    EXPECT_EQ(indexer::DigitRuleIndex("10"), 10);
    EXPECT_EQ(indexer::DigitRuleIndex("11"), -1);
    EXPECT_EQ(indexer::DigitRuleIndex("None"), -1);
    EXPECT_EQ(indexer::DigitRuleIndex(""), -1);
    EXPECT_EQ(indexer::DigitRuleText(0), "none");
    EXPECT_EQ(indexer::DigitRuleText(10), "10");
    EXPECT_EQ(indexer::DigitRuleText(-1), "");
    EXPECT_EQ(indexer::DigitRuleText(11), "");
}

}  // namespace
