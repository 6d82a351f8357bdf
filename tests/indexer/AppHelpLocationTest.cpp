// Where the desktop program finds its help pages: beside the program first,
// then the installed folder reached from the program's folder.
#include <gtest/gtest.h>

#include <string>

#include "indexer/app/HelpLocation.h"
#include "tests/support/TestFiles.h"

namespace {

using indexer::HelpStartPagePath;

TEST(AppHelpLocation, PagesBesideTheProgramComeFirstThenTheInstalledOnesThenTheMissingPathBesideIt) {
    tarvo_test::TempFolder prefix;
    const std::string programs = prefix / "bin";
    const std::string beside = programs + "/Help/TARVO.HTM";
    const std::string installed = prefix / "share/tarvo/help/TARVO.HTM";

    tarvo_test::WriteBytes(programs + "/tarvo-indexer", "");
    EXPECT_EQ(HelpStartPagePath(programs), beside) << "no pages anywhere: the caller reports the missing path";

    tarvo_test::WriteBytes(installed, "<html></html>");
    EXPECT_EQ(HelpStartPagePath(programs), installed);

    tarvo_test::WriteBytes(beside, "<html></html>");
    EXPECT_EQ(HelpStartPagePath(programs), beside);
}

}  // namespace
