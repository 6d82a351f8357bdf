// What the about box shows and says: the version text, the product's web
// address, and the message for a link that could not be opened.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace indexer {

inline constexpr std::string_view kVersionText = "Version 1.4.5";
inline constexpr std::string_view kProductAddress = "https://tarvo.example.com/";

/// The error message for the result of the desktop's "open" on `address`:
/// nothing for a result above 32 (success); "No browser application
/// available" for 31; otherwise "Error <result> attempting to open
/// application for - " and the address.
std::optional<std::string> OpenLinkFailureMessage(int result, std::string_view address);

}  // namespace indexer
