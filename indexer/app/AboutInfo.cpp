// The about box's link messages.
#include "indexer/app/AboutInfo.h"

#include "platform/ShellOpen.h"

namespace indexer {

std::optional<std::string> OpenLinkFailureMessage(int result, std::string_view address) {
    if (result > 32) return std::nullopt;
    if (result == platform::kShellNoAssociation) return std::string("No browser application available");
    return "Error <" + std::to_string(result) + "> attempting to open application for - " + std::string(address);
}

}  // namespace indexer
