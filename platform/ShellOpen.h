// The desktop's "open" operation for an address (a web page, a file): handed
// to the desktop opener xdg-open, which starts the user's preferred program.
#pragma once

#include <string>

namespace platform {

/// The result code of ShellOpen when no opener program is available.
inline constexpr int kShellNoAssociation = 31;

/// Asks the desktop to open `address` and returns at once. Returns a value
/// above 32 when the opener was started; kShellNoAssociation when no opener
/// ("xdg-open", looked up on PATH) exists; otherwise an error number from 1
/// to 32. `opener` replaces "xdg-open" (tests).
int ShellOpen(const std::string& address, const std::string& opener = "xdg-open");

}  // namespace platform
