// The help pages' folder: beside the program first, then the installed one.
#include "indexer/app/HelpLocation.h"

#include <filesystem>

#include "TarvoBuild.h"
#include "platform/File.h"

namespace indexer {

std::string HelpStartPagePath(const std::string& programFolder) {
    const std::string besideProgram = programFolder + "/Help/" + std::string(kHelpStartPage);
    if (platform::FileExists(besideProgram)) return besideProgram;
    const std::filesystem::path installed =
        (std::filesystem::path(programFolder) / tarvo::kHelpFolderFromPrograms / kHelpStartPage).lexically_normal();
    if (platform::FileExists(installed.string())) return installed.string();
    return besideProgram;
}

}  // namespace indexer
