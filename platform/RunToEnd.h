// Runs another program to its end: fork, execve with a prepared environment,
// and a blocking wait, with no polling in between, so that the time a caller
// measures around it is the child's whole life (used by the CGI benchmark).
#pragma once

#include <string>
#include <vector>

namespace platform {

/// One run of a program.
struct ProgramRun {
    std::string program;                   ///< path of the program file
    std::vector<std::string> arguments;    ///< after the program name
    std::vector<std::string> environment;  ///< the whole environment, "NAME=value" each
    std::string standardInputPath;         ///< empty: /dev/null
    std::string standardOutputPath;        ///< empty: /dev/null
};

/// Starts the program and waits until it has ended. Returns its exit code, or
/// -1 when a signal ended it. Throws IoError when it cannot be started (the
/// program file missing or not executable, a redirection file not openable).
int RunProgramToEnd(const ProgramRun& run);

/// Gives the file the permissions of a program (rwxr-xr-x); false on failure.
bool MarkExecutable(const std::string& path) noexcept;

}  // namespace platform
