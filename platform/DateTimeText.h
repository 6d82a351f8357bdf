// The current local date and time as the indexer shows it ("2026-12-08 14:05:09").
#pragma once

#include <string>

namespace platform {

/// The current local date and time, "YYYY-MM-DD hh:mm:ss".
std::string CurrentDateTimeText();

}  // namespace platform
