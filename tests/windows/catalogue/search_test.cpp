// Keyword search over descriptions and details: scopes, word lists, case, field flags and
// stopping.
#include <gtest/gtest.h>

#include "tests/windows/catalogue/catalogue_fixture.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

JTSearchCriteria Words(std::vector<std::string> all, std::vector<std::string> any = {},
                       std::vector<std::string> none = {})
{
    JTSearchCriteria c;
    c.AllWords = std::move(all);
    c.AnyWords = std::move(any);
    c.NoneWords = std::move(none);
    return c;
}

class CatalogueSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        files_.kinds = {"Explorer", "Network", "System"};
        files_.ckRows = {{0, "Show HIDDEN files", "Files with the hidden attribute appear."},
                         {0, "Show extensions", "Known file types show their extension."},
                         {1, "Disable sharing", "No hidden shares are made."},
                         {2, "Fast shutdown", "Ends programs quickly."}};
        files_.edRows = {{0, "Start folder", "Explorer opens here."}, {2, "Shutdown wait", "Milliseconds to wait."}};
        files_.Write();
        catalogue_ = MakeCatalogue(files_, host_);
        ASSERT_TRUE(catalogue_->LoadAll());
        catalogue_->OnSearchBegin = [this] { log_.push_back("begin"); };
        catalogue_->OnSearchEnd = [this] { log_.push_back("end"); };
        catalogue_->OnSearchItem = [this](JTSetItem* item, bool matched, bool& go) {
            log_.push_back(item->sDescribe + (matched ? " +" : " -"));
            if (matched)
                found_.push_back(item->sDescribe);
            if (stopAfter_ > 0 && static_cast<int>(found_.size()) >= stopAfter_)
                go = false;
        };
    }

    std::vector<std::string> Run(const JTSearchCriteria& criteria)
    {
        log_.clear();
        found_.clear();
        catalogue_->Search(criteria);
        return found_;
    }

    CatalogueFiles files_;
    HostWindow host_;
    std::unique_ptr<JTRegSettings> catalogue_;
    std::vector<std::string> log_;
    std::vector<std::string> found_;
    int stopAfter_ = 0;
};

} // namespace

TEST(SearchText, WordListsAndCase)
{
    JTSearchCriteria c;
    EXPECT_TRUE(SearchTextMatches("anything", c));
    EXPECT_TRUE(SearchTextMatches("", c));

    c = Words({"show", "files"});
    EXPECT_TRUE(SearchTextMatches("Show hidden FILES", c));
    EXPECT_FALSE(SearchTextMatches("Show hidden", c));
    c.bCaseSensitive = true;
    EXPECT_FALSE(SearchTextMatches("Show hidden FILES", c));
    EXPECT_TRUE(SearchTextMatches("show files", c));

    c = Words({}, {"net", "share"});
    EXPECT_TRUE(SearchTextMatches("no SHARE", c));
    EXPECT_TRUE(SearchTextMatches("network", c));
    EXPECT_FALSE(SearchTextMatches("explorer", c));

    c = Words({}, {}, {"slow"});
    EXPECT_TRUE(SearchTextMatches("fast", c));
    EXPECT_FALSE(SearchTextMatches("Slowly", c));

    // All three must hold.
    c = Words({"show"}, {"files", "types"}, {"hidden"});
    EXPECT_TRUE(SearchTextMatches("show file types", c));
    EXPECT_FALSE(SearchTextMatches("show hidden files", c));
    EXPECT_FALSE(SearchTextMatches("show it", c));

    // Words are substrings; only ASCII letters change case.
    c = Words({"\xE9T\xE9"});
    EXPECT_TRUE(SearchTextMatches("\xE9t\xE9", c));
    EXPECT_FALSE(SearchTextMatches("\xC9T\xC9", c));
}

TEST_F(CatalogueSearch, VisitsEveryItemOfEveryPageInOrder)
{
    JTSearchCriteria all;
    Run(all);
    EXPECT_EQ(log_, (std::vector<std::string>{"begin", "Show HIDDEN files +", "Show extensions +", "Start folder +",
                                              "Disable sharing +", "Fast shutdown +", "Shutdown wait +", "end"}));
}

TEST_F(CatalogueSearch, KindNumberChoosesTheScope)
{
    JTSearchCriteria c = Words({"s"});
    c.iKind = 3;  // the page count: only the last page
    EXPECT_EQ(Run(c), (std::vector<std::string>{"Fast shutdown", "Shutdown wait"}));
    c.iKind = 1;
    EXPECT_EQ(Run(c), (std::vector<std::string>{"Show HIDDEN files", "Show extensions", "Start folder"}));
    c.iKind = 0;
    EXPECT_EQ(Run(c).size(), 6u);
    c.iKind = 4;  // one above the page count: every page
    EXPECT_EQ(Run(c).size(), 6u);
    c.iKind = -2;
    EXPECT_EQ(Run(c).size(), 6u);
}

TEST_F(CatalogueSearch, CaseAndFields)
{
    JTSearchCriteria c = Words({"hidden"});
    EXPECT_EQ(Run(c), (std::vector<std::string>{"Show HIDDEN files", "Disable sharing"}));
    c.bCaseSensitive = true;
    // Only the details of both hold "hidden" in lower case.
    EXPECT_EQ(Run(c), (std::vector<std::string>{"Show HIDDEN files", "Disable sharing"}));
    c.bSearchDetails = false;
    EXPECT_TRUE(Run(c).empty());
    c.bCaseSensitive = false;
    EXPECT_EQ(Run(c), (std::vector<std::string>{"Show HIDDEN files"}));

    c = Words({"explorer"});
    c.bSearchDescribe = false;
    EXPECT_EQ(Run(c), (std::vector<std::string>{"Start folder"}));
}

TEST_F(CatalogueSearch, BothFieldFlagsOffMatchesNothingButVisitsEverything)
{
    JTSearchCriteria c;
    c.bSearchDescribe = false;
    c.bSearchDetails = false;
    EXPECT_TRUE(Run(c).empty());
    EXPECT_EQ(log_.size(), 8u);
    EXPECT_EQ(log_[1], "Show HIDDEN files -");
}

TEST_F(CatalogueSearch, ClearingContinueStopsTheWholeSearch)
{
    stopAfter_ = 2;
    JTSearchCriteria c = Words({}, {"show", "shut"});
    EXPECT_EQ(Run(c), (std::vector<std::string>{"Show HIDDEN files", "Show extensions"}));
    EXPECT_EQ(log_, (std::vector<std::string>{"begin", "Show HIDDEN files +", "Show extensions +", "end"}));
    stopAfter_ = 3;
    EXPECT_EQ(Run(c).size(), 3u);
    EXPECT_EQ(log_.back(), "end");
    EXPECT_EQ(log_[log_.size() - 2], "Fast shutdown +");
}

TEST_F(CatalogueSearch, NoneWordsExclude)
{
    JTSearchCriteria c = Words({"show"}, {}, {"hidden"});
    EXPECT_EQ(Run(c), (std::vector<std::string>{"Show extensions"}));
}
