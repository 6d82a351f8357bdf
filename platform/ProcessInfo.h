// Facts about the running process and its end: the program file's own path,
// the command-line arguments, the process id, and immediate termination.
#pragma once

#include <string>
#include <vector>

namespace platform {

/// The full, symlink-resolved path of the running program file. Read once and
/// cached; empty only when the system cannot tell it.
const std::string& ProgramFilePath();

/// Records the command line as main() received it (argv[0] first). Programs
/// call it before anything asks for ProcessArguments().
void SetProcessArguments(int argc, const char* const* argv);

/// The command-line arguments after the program name. When SetProcessArguments
/// was never called they are read from the system's record of the command line.
const std::vector<std::string>& ProcessArguments();

/// This process's id.
int CurrentProcessId();

/// Whether the code runs inside a loaded library rather than a program of its
/// own. The CGI layer is always linked into its program, so this is false.
constexpr bool RunsAsLoadedLibrary() { return false; }

/// Ends the process at once with the given exit code: no destructors, no
/// exit handlers. Standard output still gathered by BufferStandardOutput is
/// written out first; data written with WriteStandardOutput is already delivered.
[[noreturn]] void ExitProcessNow(int exitCode);

}  // namespace platform
